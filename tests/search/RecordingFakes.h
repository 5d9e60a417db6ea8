#pragma once

#include <QList>
#include <QStringList>

#include "search/HtmlView.h"
#include "search/PreviewPlayer.h"
#include "search/SearchBox.h"

// Stand-ins for the web views, the search box and the player that remember what they were told.
class TRecordingHtmlView : public IHtmlView {
public:
    void Navigate(const QString& strURL) override { Navigated.append(strURL); }
    void LoadHtml(const QString& strHtml) override { Loaded.append(strHtml); }
    void RunScript(const QString& strScript) override { Scripts.append(strScript); }

    QStringList Navigated;
    QStringList Loaded;
    QStringList Scripts;
};

class TRecordingSearchBox : public ISearchBox {
public:
    QString Text() const override { return FText; }
    void SetText(const QString& strText) override { FText = strText; }
    void SetTextColor(int iColor) override { FColor = iColor; }
    int ItemCount() const override { return int(FItems.size()); }
    QString Item(int iIndex) const override { return FItems.value(iIndex); }
    void ClearItems() override { FItems.clear(); }
    void AddItem(const QString& strItem) override { FItems.append(strItem); }

    QString FText;
    int FColor = -1;
    QStringList FItems;
};

class TRecordingPlayer : public IPreviewPlayer {
public:
    void SetCallbackVariable(const QString& strValue) override { Callbacks.append(strValue); }
    void Play(const TUrlInfo& info) override { Played.append(info); }

    QStringList Callbacks;
    QList<TUrlInfo> Played;
};
