#pragma once

#include <QString>

// What the download pipeline shows: one row per task (status text, icon, length), the status
// line, and the list window. The GUI's download list and the command-line progress display
// implement it.
class IDownloadView {
public:
    virtual ~IDownloadView() = default;
    virtual int RowCount() const = 0;
    virtual void SetRowStatus(int iRow, const QString& strStatus) = 0;
    virtual void SetRowIcon(int iRow, int iIcon) = 0;
    virtual void SetRowLength(int iRow, const QString& strLength) = 0;
    // Rebuilds every row from the task list.
    virtual void RefreshList() = 0;
    virtual void SetStatusInfo(const QString& strStatus) = 0;
    // Enables the list actions that fit the tasks' states.
    virtual void CheckAct() = 0;
    virtual void ShowDownloadList() = 0;
};
