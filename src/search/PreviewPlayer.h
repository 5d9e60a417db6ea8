#pragma once

#include <QString>

#include "search/UrlInfo.h"

// The preview player as a page link drives it.
class IPreviewPlayer {
public:
    virtual ~IPreviewPlayer() = default;
    // Sets the player page's callback variable ("Stop,", "Title," + title, "Wait,").
    virtual void SetCallbackVariable(const QString& strValue) = 0;
    // Resolves the song's stream and plays it.
    virtual void Play(const TUrlInfo& info) = 0;
};
