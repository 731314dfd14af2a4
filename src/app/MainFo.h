// The main window: MDI frame with the main menu, the status bar and the
// shared glyphs; runs the login at first show, builds the Data menu from the
// catalogue and opens documents.
#pragma once

#include "MDILst.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QStatusBar;
class TObj;

// Address opened by "Справка" / "Домашняя страница".
extern const char* const HomePageUrl;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* AParent = nullptr);
    ~TMainForm() override;

    // The components, owned by the window.
    QMdiArea* MdiArea;
    QStatusBar* sb;
    QMenu* miFile;
    QAction* miLogin;
    QAction* miExit;
    QMenu* miData;
    QMenu* miSetup;
    QAction* miConf;
    QAction* miDevMode;
    QAction* miShowDebMsg;
    QMenu* miHelp;
    QAction* miHomePage;
    // The shared glyphs: 0 arrow left, 1 arrow right, 2 arrow up, 3 arrow
    // down, 4 ellipsis (16 by 16).
    QList<QIcon> il;
    static QPixmap DrawGlyph(int AIndex);

    // The open documents; none while nobody is logged in.
    TMDIList* MDIList() const { return FMDIList.get(); }
    QString StatusText() const;
    bool InitedMainForm() const { return FInitedMainForm; }

    void miLoginClick();
    void miExitClick();
    void miConfClick();
    void miDevModeClick();
    void miShowDebMsgClick();
    void miHomePageClick();
    void DataMenuItemClick(TObj* AObj);
    void BuildDataMenu();
    void InitSession();
    void ClearSession();
    // Ends the session: documents and session menus, then the catalogue,
    // then the connection. Nothing happens for what is not there.
    void Logout();

protected:
    void showEvent(QShowEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;

private:
    void FormCreate();
    QMenu* AddMenu(const QString& ACaption);
    QAction* AddItem(QMenu* AMenu, const QString& ACaption, void (TMainForm::*AHandler)());

    QLabel* FStatusLabel;
    std::unique_ptr<TMDIList> FMDIList;
    bool FInitedMainForm = false;
    bool FShown = false;
};

// The one main window while it exists.
extern TMainForm* MainForm;
