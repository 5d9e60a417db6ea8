#pragma once

#include <QString>

// The editable drop-down list of the search box as its logic drives it.
class ISearchBox {
public:
    virtual ~ISearchBox() = default;
    virtual QString Text() const = 0;
    virtual void SetText(const QString& strText) = 0;
    // 0xRRGGBB
    virtual void SetTextColor(int iColor) = 0;
    virtual int ItemCount() const = 0;
    virtual QString Item(int iIndex) const = 0;
    virtual void ClearItems() = 0;
    virtual void AddItem(const QString& strItem) = 0;
};
