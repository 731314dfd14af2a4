#include "MainFo.h"

#include "LoginFo.h"
#include "func.h"
#include "meta/Obj.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QUrl>

const char* const HomePageUrl = "https://velmora.app";

TMainForm* MainForm = nullptr;

TMainForm::TMainForm(QWidget* AParent) : QMainWindow(AParent)
{
    MainForm = this;
    setWindowTitle(QStringLiteral("Платформа Velmora"));
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive))
        setFont(QFont(QStringLiteral("Tahoma"), 8));

    MdiArea = new QMdiArea(this);
    setCentralWidget(MdiArea);

    sb = statusBar();
    FStatusLabel = new QLabel(sb);
    sb->addWidget(FStatusLabel, 1);

    miFile = AddMenu(QStringLiteral("Файл"));
    miLogin = AddItem(miFile, QStringLiteral("Авторизация"), &TMainForm::miLoginClick);
    miExit = AddItem(miFile, QStringLiteral("Выход"), &TMainForm::miExitClick);
    miData = AddMenu(QStringLiteral("Данные"));
    miSetup = AddMenu(QStringLiteral("Настройки"));
    miConf = AddItem(miSetup, QStringLiteral("Конфигуратор"), &TMainForm::miConfClick);
    miDevMode = AddItem(miSetup, QStringLiteral("Режим разработчика"), &TMainForm::miDevModeClick);
    miDevMode->setCheckable(true);
    miDevMode->setVisible(false);
    miShowDebMsg = AddItem(miSetup, QStringLiteral("Выводить отладочные сообщения"), &TMainForm::miShowDebMsgClick);
    miShowDebMsg->setCheckable(true);
    miShowDebMsg->setVisible(false);
    miHelp = AddMenu(QStringLiteral("Справка"));
    miHomePage = AddItem(miHelp, QStringLiteral("Домашняя страница"), &TMainForm::miHomePageClick);

    for (int i = 0; i < 5; ++i) il.append(QIcon(DrawGlyph(i)));

    // Client area 426 by 286 below the menu bar.
    resize(426, 286 + menuBar()->sizeHint().height());

    FormCreate();
}

TMainForm::~TMainForm()
{
    try {
        Logout();
    } catch (...) {
        // a window that is going away has nobody left to tell
    }
    if (MainForm == this) MainForm = nullptr;
}

QMenu* TMainForm::AddMenu(const QString& ACaption)
{
    return menuBar()->addMenu(ACaption);
}

QAction* TMainForm::AddItem(QMenu* AMenu, const QString& ACaption, void (TMainForm::*AHandler)())
{
    QAction* action = AMenu->addAction(ACaption);
    connect(action, &QAction::triggered, this, [this, AHandler] { (this->*AHandler)(); });
    return action;
}

QPixmap TMainForm::DrawGlyph(int AIndex)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1E, 0x6B, 0x2E), 1));
    p.setBrush(QColor(0x3C, 0xA8, 0x4C));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);

    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (AIndex == 4) {
        for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(2.5 + i * 4, 6.5, 3, 3));
        return pixmap;
    }
    // An arrow pointing right, turned for the other directions.
    QPainterPath arrow;
    arrow.moveTo(3, 6.5);
    arrow.lineTo(8, 6.5);
    arrow.lineTo(8, 3.5);
    arrow.lineTo(12.5, 8);
    arrow.lineTo(8, 12.5);
    arrow.lineTo(8, 9.5);
    arrow.lineTo(3, 9.5);
    arrow.closeSubpath();
    static const int angles[] = {180, 0, 270, 90};  // left, right, up, down
    p.translate(8, 8);
    p.rotate(angles[AIndex >= 0 && AIndex < 4 ? AIndex : 1]);
    p.translate(-8, -8);
    p.drawPath(arrow);
    return pixmap;
}

QString TMainForm::StatusText() const
{
    return FStatusLabel->text();
}

void TMainForm::FormCreate()
{
    ClearSession();
}

void TMainForm::showEvent(QShowEvent* AEvent)
{
    QMainWindow::showEvent(AEvent);
    if (FShown) return;
    FShown = true;
    // The login runs once the window is on screen, so that the dialog
    // appears over it.
    QMetaObject::invokeMethod(this, &TMainForm::miLoginClick, Qt::QueuedConnection);
}

void TMainForm::closeEvent(QCloseEvent* AEvent)
{
    Logout();
    AEvent->accept();
}

void TMainForm::Logout()
{
    if (FInitedMainForm) ClearSession();
    if (ObjListLoaded) FreeObjList();
    if (Connected) DisconnectDatabase();
}

void TMainForm::miLoginClick()
{
    Logout();
    TLoginForm login(this);
    if (login.exec() == QDialog::Accepted) InitSession();
}

void TMainForm::miExitClick()
{
    close();
}

void TMainForm::miConfClick()
{
    if (FMDIList) FMDIList->Show(mtConfig, nullptr);
}

void TMainForm::miDevModeClick()
{
    DevMode = miDevMode->isChecked();
    BuildDataMenu();
}

void TMainForm::miShowDebMsgClick()
{
    ShowDebugMessages = miShowDebMsg->isChecked();
}

void TMainForm::miHomePageClick()
{
    const QString url = QString::fromLatin1(HomePageUrl);
    if (!QDesktopServices::openUrl(QUrl(url)))
        throw Exception(Format(QStringLiteral("Не удалось открыть страницу %s"), {url}));
}

void TMainForm::DataMenuItemClick(TObj* AObj)
{
    if (FMDIList) FMDIList->Show(mtObj, AObj);
}

void TMainForm::BuildDataMenu()
{
    miData->clear();
    if (!ObjList) return;
    for (TObj* obj : *ObjList) {
        if (obj->Meta && !DevMode) continue;
        QString caption = obj->Capt2;
        if (obj->Ref) caption += QStringLiteral(" (Спр.)");
        QAction* item = miData->addAction(caption);
        item->setData(QVariant::fromValue(static_cast<void*>(obj)));
        connect(item, &QAction::triggered, this, [this, obj, caption = obj->Capt2] {
            // The configurator may have deleted the object since the menu
            // was built; its item then must not reach the freed object.
            if (!ObjList || ObjList->IndexOf(obj) < 0)
                throw Exception(Format(QStringLiteral("Объект \"%s\" удалён из каталога"), {caption}));
            DataMenuItemClick(obj);
        });
    }
}

void TMainForm::InitSession()
{
    FMDIList = std::make_unique<TMDIList>(MdiArea);
    miData->menuAction()->setVisible(true);
    BuildDataMenu();
    miSetup->menuAction()->setVisible(true);
    FStatusLabel->setText(QStringLiteral("Пользователь: ") + UserName);
    FInitedMainForm = true;
}

void TMainForm::ClearSession()
{
    FMDIList.reset();  // closes every document
    miData->menuAction()->setVisible(false);
    miData->clear();
    miSetup->menuAction()->setVisible(false);
    FStatusLabel->clear();
    FInitedMainForm = false;
}
