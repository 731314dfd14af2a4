// The message of the exception an action raises, for asserting exact texts.
#pragma once

#include "core/SysUtils.h"

#include <QString>
#include <functional>

inline QString ErrorOf(const std::function<void()>& AAction)
{
    try {
        AAction();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}
