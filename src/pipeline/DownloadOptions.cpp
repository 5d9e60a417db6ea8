#include "pipeline/DownloadOptions.h"

#include <QDir>
#include <QStandardPaths>

#include "framework/KrSettings.h"
#include "framework/KrUtils.h"
#include "pipeline/PipelineKeys.h"

namespace {

constexpr int kBitrates[] = {64, 128, 192, 320};
constexpr int kMaxRecentFolders = 10;

QStringList LoadList(const QString& strCountKey, const QString& strItemKey) {
    TKrSettings* settings = GlobalSettings();
    QStringList list;
    const int count = settings->GetSettingInteger(strCountKey);
    for (int i = 0; i < count; ++i) {
        const QString strValue = settings->GetSettingString(strItemKey + QString::number(i));
        if (!strValue.isEmpty()) {
            list.append(strValue);
        }
    }
    return list;
}

// The list, then the box's own text when the list does not hold it (even an empty one).
void SaveListWithText(const QString& strCountKey, const QString& strItemKey,
                      const QStringList& list, const QString& strText) {
    TKrSettings* settings = GlobalSettings();
    for (qsizetype i = 0; i < list.size(); ++i) {
        settings->SetSettingstring(strItemKey + QString::number(i), list[i]);
    }
    qsizetype count = list.size();
    if (!list.contains(strText)) {
        settings->SetSettingstring(strItemKey + QString::number(count), strText);
        ++count;
    }
    settings->SetSettingInteger(strCountKey, int(count));
}

// &amp; &lt; &gt; &quot; and decimal &#NN; only; any other "&" fails the whole step.
bool DecodeHtmlReferences(const QString& strText, QString& strResult) {
    static const QList<std::pair<QString, QChar>> kNamed = {{QStringLiteral("amp"), u'&'},
                                                            {QStringLiteral("lt"), u'<'},
                                                            {QStringLiteral("gt"), u'>'},
                                                            {QStringLiteral("quot"), u'"'}};
    QString result;
    for (qsizetype i = 0; i < strText.size(); ++i) {
        if (strText[i] != u'&') {
            result += strText[i];
            continue;
        }
        const qsizetype end = strText.indexOf(u';', i);
        if (end < 0) {
            return false;
        }
        const QString strName = strText.sliced(i + 1, end - i - 1);
        bool bKnown = false;
        for (const auto& [strRef, c] : kNamed) {
            if (strName == strRef) {
                result += c;
                bKnown = true;
            }
        }
        if (!bKnown && strName.startsWith(u'#')) {
            bool bOk = false;
            const uint code = strName.sliced(1).toUInt(&bOk, 10);
            if (bOk && code > 0 && code <= 0x10FFFF) {
                const char32_t c = code;
                result += QString::fromUcs4(&c, 1);
                bKnown = true;
            }
        }
        if (!bKnown) {
            return false;
        }
        i = end;
    }
    strResult = result;
    return true;
}

}  // namespace

void TDownloadOptions::Load() {
    TKrSettings* settings = GlobalSettings();
    FFolder = settings->GetSettingString(PipelineKeys::MusicSaveTo);
    if (FFolder.isEmpty()) {
        FFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    }
    FAutoRename = settings->GetSettingBool(PipelineKeys::AutoRename);
    FBitratePosition = settings->GetSettingInteger(PipelineKeys::MusicBitrate);
    FRecentFolders = LoadList(PipelineKeys::SaveToCount, PipelineKeys::SaveTo);
    FRecentArtists = LoadList(PipelineKeys::ArtistCount, PipelineKeys::Artist);
    FRecentAlbums = LoadList(PipelineKeys::AlbumCount, PipelineKeys::Album);
    FShowTagEdit = settings->GetSettingBool(PipelineKeys::ShowMp3TagEdit);
}

void TDownloadOptions::Save() const {
    TKrSettings* settings = GlobalSettings();
    settings->SetSettingstring(PipelineKeys::MusicSaveTo, FFolder);
    settings->SetSettingInteger(PipelineKeys::SaveToCount, int(FRecentFolders.size()));
    settings->SetSettingBool(PipelineKeys::AutoRename, FAutoRename);
    settings->SetSettingInteger(PipelineKeys::MusicBitrate, FBitratePosition);
    for (qsizetype i = 0; i < FRecentFolders.size(); ++i) {
        settings->SetSettingstring(PipelineKeys::SaveTo + QString::number(i), FRecentFolders[i]);
    }
    SaveListWithText(PipelineKeys::ArtistCount, PipelineKeys::Artist, FRecentArtists, FArtist);
    SaveListWithText(PipelineKeys::AlbumCount, PipelineKeys::Album, FRecentAlbums, FAlbum);
}

QString TDownloadOptions::DecodeTitle(const QString& strTitle) {
    QString strText = strTitle;
    QString strDecoded;
    if (KrUtils::FormDecode(strText, strDecoded)) {
        strText = strDecoded;
    }
    if (DecodeHtmlReferences(strText, strDecoded)) {
        strText = strDecoded;
    }
    return strText.isEmpty() ? QStringLiteral("undefined") : strText;
}

void TDownloadOptions::SetInfo(const TUrlInfo& info) {
    FInfo = info;
    const QString strTitle = DecodeTitle(info.Title);
    FTitleTooLong = strTitle.size() > KMaxTitleLength;
    if (FTitleTooLong) {
        FShowTagEdit = true;
    }
    SetTitle(strTitle.left(KMaxTitleLength));
    FFileName = strTitle + KMp3Extension;
}

void TDownloadOptions::SetTitle(const QString& strTitle) {
    FTitle = strTitle.left(KMaxTitleLength);
    ProposeFileName();
}

void TDownloadOptions::SetArtist(const QString& strArtist) {
    FArtist = strArtist;
    ProposeFileName();
}

void TDownloadOptions::SetFileName(const QString& strFileName) {
    FFileName = strFileName;
    FFileNameModified = true;
}

void TDownloadOptions::ProposeFileName() {
    if (!FFileNameModified) {
        FFileName = (FArtist.isEmpty() ? FTitle : FArtist + u'-' + FTitle) + KMp3Extension;
    }
}

int TDownloadOptions::BitrateOfPosition(int iPosition, int iFallback) {
    return iPosition >= 0 && iPosition < int(std::size(kBitrates)) ? kBitrates[iPosition]
                                                                   : iFallback;
}

int TDownloadOptions::PositionOfBitrate(int iBitrate) {
    for (int i = 0; i < int(std::size(kBitrates)); ++i) {
        if (kBitrates[i] == iBitrate) {
            return i;
        }
    }
    return -1;
}

void TDownloadOptions::AddRecentFolder(const QString& strFolder) {
    FRecentFolders.prepend(strFolder);
    while (FRecentFolders.size() > kMaxRecentFolders) {
        FRecentFolders.removeLast();
    }
}

QString TDownloadOptions::GetSaveToFullPath(const QString& strExt) const {
    const QString strName = KrUtils::CleanFileName(FFileName);
    const bool bHasExt = strName.right(4).compare(strExt, Qt::CaseInsensitive) == 0;
    return KrUtils::WithTrailingSlash(FFolder) + strName + (bHasExt ? QString() : strExt);
}

bool TDownloadOptions::EnsureFolder() const {
    if (QDir(FFolder).exists()) {
        return true;
    }
    return QDir::isAbsolutePath(FFolder) && QDir().mkpath(FFolder);
}
