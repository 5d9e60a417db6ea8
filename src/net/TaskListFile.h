#pragma once

#include <QString>

class TDownloadList;

// The file that keeps the task queue across restarts: section "Global" with "ItemCount", then
// one section per task, named by its position, with URL, FileName, Caption, Comment, State,
// INeedRedirect, RedirectTheme and RedirectURL in that order. UTF-8, written atomically.
class TTaskListFile {
public:
    // False, with the previous file left intact, when the file cannot be written.
    static bool Save(const TDownloadList& list, const QString& strFileName);
    // Appends the file's tasks to the list; a missing file adds nothing. A task whose file the
    // list already holds is dropped. Restored tasks are queued (or finished) and raise nothing.
    static void Load(TDownloadList& list, const QString& strFileName);
};
