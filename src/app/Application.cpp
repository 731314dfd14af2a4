#include "Application.h"

#include "FuncWin.h"
#include "core/SysUtils.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTranslator>
#include <exception>

namespace {
bool GShowingException = false;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // Standard dialogs and context menus speak the program's language.
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    else
        delete translator;
}

bool TApplication::notify(QObject* AReceiver, QEvent* AEvent)
{
    QString message;
    try {
        return QApplication::notify(AReceiver, AEvent);
    } catch (const Exception& E) {
        message = E.Message();
    } catch (const std::exception& E) {
        message = QString::fromUtf8(E.what());
    } catch (...) {
        message = QStringLiteral("Неизвестная ошибка");
    }
    // A window must not open a modal box in the middle of painting itself;
    // the text is shown as soon as the painting is over.
    const QEvent::Type type = AEvent->type();
    if (type == QEvent::Paint || type == QEvent::UpdateRequest || type == QEvent::UpdateLater)
        QMetaObject::invokeMethod(this, [message] { ShowException(message); }, Qt::QueuedConnection);
    else
        ShowException(message);
    return false;
}

void TApplication::ShowException(const QString& AMessage)
{
    // An error raised while the previous one is on screen goes to the log.
    if (GShowingException) {
        qWarning("%s", qUtf8Printable(AMessage));
        return;
    }
    GShowingException = true;
    struct TReset {
        ~TReset() { GShowingException = false; }
    } reset;
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), AMessage, QMessageBox::Ok, DialogOwner());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}
