#pragma once

#include <QString>

// The process-wide debug log. Entries are a message with an optional tag; each tag is a Qt
// logging category of its own ("KrSettings", "KrUpdate"), so output can also be filtered with
// QT_LOGGING_RULES. Nothing is written while the log is off. Safe to call from any thread.
class TKrLog {
public:
    static void SetActive(bool bActive);
    static bool Active();
    // Whether the log starts on its own when first written to; kept for the start-up sequence,
    // which decides both flags together.
    static void SetAutoStart(bool bAutoStart);
    static bool AutoStart();

    static void Write(const QString& strMessage, const QString& strTag = QString());
};
