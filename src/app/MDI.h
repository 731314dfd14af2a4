// One MDI document: a child window of the main window's MDI area, identified
// by its kind and its object.
#pragma once

#include <QMdiSubWindow>
#include <QMetaObject>
#include <QPointer>
#include <functional>

class QMdiArea;
class QWidget;
class TObj;
class TMDI;

enum TMDIType { mtNone, mtObj, mtConfig };

using TMDIEvent = std::function<void(TMDI* AMDI)>;

class TMDI {
public:
    // Creates the document's window in AOwner (it appears at once). Closing
    // the window deletes it; its destruction runs FormDestroyed.
    explicit TMDI(QMdiArea* AOwner);
    // Deletes the window if it still exists (OnFormDestroy is not called then).
    virtual ~TMDI();
    TMDI(const TMDI&) = delete;
    TMDI& operator=(const TMDI&) = delete;

    TMDIEvent OnFormDestroy;  // called when the window has been destroyed
    TMDIType MDIType = mtNone;
    TObj* Obj = nullptr;      // the object of an mtObj document

    // Shows the window and brings it to the front.
    void Show();

    // The window (none once it has been destroyed) and the widget filling
    // its client area, in which a document places its contents.
    QMdiSubWindow* GetForm() const { return Form; }
    QWidget* ClientArea() const;

protected:
    // The MDI child window. Contents placed in ClientArea() are destroyed
    // with it: a document that keeps pointers to them holds QPointers, since
    // the window may go first (closed by the user).
    QPointer<QMdiSubWindow> Form;

private:
    void FormDestroyed();
    QMetaObject::Connection FDestroyedConnection;
};
