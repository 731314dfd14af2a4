#include "Application.h"
#include "DataTbl.h"
#include "FuncWin.h"
#include "MainFo.h"
#include "func.h"

#include <exception>

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Платформа Velmora"));
    InstallDebugMessageHandler();
    RegisterDataTbl();

    int result = 1;
    try {
        InitProcess();
        {
            TMainForm mainForm;
            mainForm.show();
            result = app.exec();
            mainForm.Logout();
        }
    } catch (const Exception& E) {
        TApplication::ShowException(E.Message());
    } catch (const std::exception& E) {
        TApplication::ShowException(QString::fromUtf8(E.what()));
    }
    DoneProcess();
    return result;
}
