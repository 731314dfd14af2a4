// Watching what the program sends to the database and shows as debug
// output, for tests that count statements or compare generated texts.
#pragma once

#include "app/func.h"
#include "core/IBX.h"

#include <QString>
#include <QStringList>
#include <functional>

// Records the text of every statement executed while it lives.
class TSqlTrace {
public:
    TSqlTrace() : FPrevious(TIBSQL::OnExecute)
    {
        TIBSQL::OnExecute = [this](const QString& AText) {
            Statements << AText;
            if (FPrevious) FPrevious(AText);
        };
    }
    ~TSqlTrace() { TIBSQL::OnExecute = FPrevious; }
    TSqlTrace(const TSqlTrace&) = delete;
    TSqlTrace& operator=(const TSqlTrace&) = delete;

    QStringList Statements;

    void Clear() { Statements.clear(); }
    // Statements whose text contains AText.
    int Count(const QString& AText) const
    {
        int n = 0;
        for (const QString& s : Statements)
            if (s.contains(AText)) ++n;
        return n;
    }

private:
    std::function<void(const QString&)> FPrevious;
};

// Turns debug output on and records every message while it lives.
class TDebugCapture {
public:
    TDebugCapture() : FPreviousShow(ShowDebugMessages), FPrevious(DebugMessageHandler)
    {
        ShowDebugMessages = true;
        DebugMessageHandler = [this](const QString& AMessage) { Messages << AMessage; };
    }
    ~TDebugCapture()
    {
        ShowDebugMessages = FPreviousShow;
        DebugMessageHandler = FPrevious;
    }
    TDebugCapture(const TDebugCapture&) = delete;
    TDebugCapture& operator=(const TDebugCapture&) = delete;

    QStringList Messages;

private:
    bool FPreviousShow;
    std::function<void(const QString&)> FPrevious;
};
