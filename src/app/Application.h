// The application object: the one place where an exception that escapes a
// user action is caught and shown.
#pragma once

#include <QApplication>
#include <QString>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    // Delivers the event; an exception escaping its handling (the user
    // action) stops there and its text is shown in a message box. The window
    // that received the event stays open.
    bool notify(QObject* AReceiver, QEvent* AEvent) override;

    // Shows an error text: critical icon, the application title as caption,
    // modal over the active window.
    static void ShowException(const QString& AMessage);
};
