#include "pipeline/DownloadPipeline.h"

#include <QDir>
#include <QFileInfo>

#include "framework/KrEngine.h"
#include "framework/KrLog.h"
#include "framework/KrSettings.h"
#include "framework/KrUtils.h"
#include "framework/LangKeys.h"
#include "net/DownloadList.h"
#include "net/MultiDownloader.h"
#include "net/YoutubeFLVGet.h"
#include "pipeline/AudioCodecs.h"
#include "pipeline/AudioConvert.h"
#include "pipeline/DownloadOptions.h"
#include "pipeline/DownloadView.h"
#include "pipeline/FreeFFVCLThread.h"
#include "pipeline/ID3v1.h"
#include "pipeline/ID3v2.h"
#include "pipeline/PipelineKeys.h"
#include "search/CurrentInfo.h"
#include "search/SearchKeys.h"

namespace {

const QString kListFileName = QStringLiteral("downloadlist.sav");
const QString kDownloadingFolder = QStringLiteral("Downloading");
constexpr int kDefaultBitrate = 128;
constexpr int kContinueLastTaskNumber = 24;
constexpr int kMaxTagText = 255;

int CommentNumber(const TNameValueList& comment, const QString& strName, int iDefault) {
    return KrUtils::StrToIntDefault(comment.Value(strName), iDefault);
}

QString AppString(const QString& strName) {
    return GlobalEngine() != nullptr ? GlobalEngine()->GetAppString(strName) : QString();
}

}  // namespace

TDownloadPipeline::TDownloadPipeline(TMultiDownloader* downloader, TCurrentInfo* currentInfo,
                                     IDownloadView* view, QObject* parent)
    : QObject(parent), FDownloader(downloader), FCurrentInfo(currentInfo), FView(view) {
    connect(downloader, &TMultiDownloader::OnProgress, this,
            [this](TDownloadList*, int iIndex, qint64 iTotal, qint64 iReaded) {
                HandleProgress(iIndex, iTotal, iReaded);
            });
    connect(downloader, &TMultiDownloader::OnStateChanged, this,
            [this](TDownloadList*, int iIndex, EDownloadState state) {
                HandleStateChanged(iIndex, state);
            });
    connect(downloader->DownloadList(), &TDownloadList::OnListChanged, this,
            &TDownloadPipeline::ScheduleSave);
    // Every resolution reads the service's resolver configuration afresh.
    connect(downloader, &TMultiDownloader::OnBeforeFlvGet, this,
            [](TYoutubeFLVGet* resolver) { resolver->LoadSettings(); });
    connect(downloader, &TMultiDownloader::OnFinishedEvent, this,
            [this](TDownloadList*, int iIndex, const QString& strFileName, const QString&,
                   qint64 iLength) { HandleFinished(iIndex, strFileName, iLength); });
}

TDownloadList* TDownloadPipeline::List() const {
    return FDownloader->DownloadList();
}

// ---- queueing ------------------------------------------------------------------------------

bool TDownloadPipeline::QueueSong(TUrlInfo info, const TDownloadOptions& options) {
    info.Title = options.Title();
    info.Artist = options.Artist();
    info.Album = options.Album();
    info.SavePath = FixFileName(options.GetSaveToFullPath(TDownloadOptions::KMp3Extension));
    info.ConvertType = AudioCodecs::KTypeMP3;
    info.TempPath = FixFileName(GetTempDownloadDir() + QFileInfo(info.SavePath).fileName() +
                                QStringLiteral(".mtd"));
    info.Bitrate = TDownloadOptions::BitrateOfPosition(options.BitratePosition(), info.Bitrate);
    return AddDownloadTask(info);
}

bool TDownloadPipeline::AddDownloadTask(const TUrlInfo& info) {
    const QString strURL = FCurrentInfo->MDInfo.Value(SearchKeys::DownloadURL) + info.Id;
    const bool bAccepted =
        FDownloader->Append(strURL, info.TempPath, true, ERedirectTheme::KYouTube, QString());
    if (bAccepted) {
        TNameValueList comment;
        comment.SetValue(CommentKeys::Action, QString::number(int(info.Action)));
        comment.SetValue(CommentKeys::Id, info.Id);
        comment.SetValue(CommentKeys::SC_Key, info.SC_Key);
        comment.SetValue(CommentKeys::Title, info.Title);
        comment.SetValue(CommentKeys::Long, QString::number(info.Long));
        comment.SetValue(CommentKeys::SavePath, info.SavePath);
        comment.SetValue(CommentKeys::Page, QString::number(info.Page));
        comment.SetValue(CommentKeys::ConvertType, info.ConvertType);
        comment.SetValue(CommentKeys::Popularity, info.Popularity);
        comment.SetValue(CommentKeys::PId, QString::number(info.PId));
        comment.SetValue(CommentKeys::TempPath, info.TempPath);
        comment.SetValue(CommentKeys::Artist, info.Artist);
        comment.SetValue(CommentKeys::Album, info.Album);
        comment.SetValue(CommentKeys::Bitrate, QString::number(info.Bitrate));
        List()->Items(List()->ItemCount() - 1)->SetComment(comment.Lines());
        ScheduleSave();
    } else if (GlobalEngine() != nullptr) {
        GlobalEngine()->ShowMessageEx(LangKeys::MsgTaskExists, {}, 0, KrDlg::KInformation,
                                      KrDlg::KOk);
    }
    FDownloader->Resume();
    return bAccepted;
}

QString TDownloadPipeline::FixFileName(const QString& aFilePath) const {
    const QFileInfo original(aFilePath);
    QString strCandidate = aFilePath;
    for (int n = 1; QFileInfo::exists(strCandidate) || IsSavePathQueued(strCandidate); ++n) {
        strCandidate = KrUtils::WithTrailingSlash(original.path()) + u'(' + QString::number(n) +
                       u')' + original.fileName();
    }
    return strCandidate;
}

TNameValueList TDownloadPipeline::CommentOf(const TDownloadItem* item) {
    return item == nullptr ? TNameValueList() : TNameValueList(item->Comment());
}

int TDownloadPipeline::IndexBySavePath(const QString& aPath) const {
    for (int i = 0; i < List()->ItemCount(); ++i) {
        if (CommentOf(List()->Items(i)).Value(CommentKeys::SavePath) == aPath) {
            return i;
        }
    }
    return -1;
}

bool TDownloadPipeline::IsSavePathQueued(const QString& aPath) const {
    return IndexBySavePath(aPath) >= 0;
}

QString TDownloadPipeline::GetTempDownloadDir() const {
    TKrSettings* settings = GlobalSettings();
    QString strFolder = settings->GetSettingString(PipelineKeys::TemporaryDir);
    if (strFolder.isEmpty()) {
        strFolder = settings->UserDataPath() + kDownloadingFolder;
    }
    strFolder = KrUtils::BackslashToSlash(strFolder);
    if (!QFileInfo(strFolder).isDir() && !QDir().mkpath(strFolder)) {
        TKrLog::Write(QStringLiteral("Cannot create the temporary folder ") + strFolder);
    }
    while (strFolder.size() > 1 && strFolder.endsWith(u'/')) {
        strFolder.chop(1);
    }
    settings->SetSettingstring(PipelineKeys::TemporaryDir, strFolder);
    return KrUtils::WithTrailingSlash(strFolder);
}

void TDownloadPipeline::ClearTempDownloadDir() const {
    KrUtils::DeleteFolderContents(GetTempDownloadDir(), true);
}

// ---- the saved queue -----------------------------------------------------------------------

void TDownloadPipeline::LoadDownloadList() {
    FCurrentInfo->DownloadListFileName = GlobalSettings()->UserDataPath() + kListFileName;
    List()->LoadFromFile(FCurrentInfo->DownloadListFileName);
}

void TDownloadPipeline::RestoreDownloadList() {
    LoadDownloadList();
    if (FDownloader->UnfinishedTasksCount() > 0) {
        TKrSettings* settings = GlobalSettings();
        bool bRestart = false;
        if (settings->GetMessageShowAgainResult(kContinueLastTaskNumber) == 1 &&
            GlobalEngine() != nullptr) {
            bRestart = GlobalEngine()->ShowMessageEx(
                           LangKeys::MsgContinueLastTask, {}, kContinueLastTaskNumber,
                           KrDlg::KConfirmation, KrDlg::KOk | KrDlg::KCancel) == KrDlg::KResultOk;
        }
        if (bRestart) {
            FDownloader->Resume();
        } else {
            List()->ClearInCompleted();
        }
        if (settings->GetSettingBool(PipelineKeys::ShowListWhenAddTask)) {
            FView->ShowDownloadList();
        }
    }
    FView->RefreshList();
}

void TDownloadPipeline::ScheduleSave() {
    if (FSaveScheduled) {
        return;
    }
    FSaveScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FSaveScheduled = false;
            SaveDownloadList();
        },
        Qt::QueuedConnection);
}

bool TDownloadPipeline::SaveDownloadList() const {
    if (FCurrentInfo->DownloadListFileName.isEmpty()) {
        FCurrentInfo->DownloadListFileName = GlobalSettings()->UserDataPath() + kListFileName;
    }
    return List()->SaveToFile(FCurrentInfo->DownloadListFileName);
}

// ---- the engine's events -------------------------------------------------------------------

QString TDownloadPipeline::LengthText(int iSeconds) {
    return QString::asprintf("%.2d:%.2d", iSeconds / 60, iSeconds % 60);
}

QString TDownloadPipeline::StateText(EDownloadState state) {
    switch (state) {
        case EDownloadState::KReady:
            return AppString(LangKeys::StatusReady);
        case EDownloadState::KBeforeConnecting:
            return AppString(LangKeys::StatusConnecting);
        case EDownloadState::KDownloading:
            return AppString(LangKeys::StatusDownloading);
        case EDownloadState::KFinished:
            return AppString(LangKeys::StatusFinished);
        case EDownloadState::KFailed:
            return AppString(LangKeys::StatusFailed);
        default:
            return QString();
    }
}

int TDownloadPipeline::StateIcon(EDownloadState state) {
    switch (state) {
        case EDownloadState::KReady:
        case EDownloadState::KFailed:
            return 1;
        case EDownloadState::KBeforeConnecting:
        case EDownloadState::KDownloading:
            return 0;
        case EDownloadState::KFinished:
            return 2;
        default:
            return -1;
    }
}

void TDownloadPipeline::HandleProgress(int iIndex, qint64 iTotalSize, qint64 iReaded) {
    if (iIndex < FView->RowCount() && iTotalSize > 0) {
        FView->SetRowStatus(iIndex, QString::number(iReaded * 100 / iTotalSize) + u'%');
    }
}

void TDownloadPipeline::HandleStateChanged(int iIndex, EDownloadState state) {
    if (state == EDownloadState::KFailed) {
        FDownloader->Resume();
    }
    if (iIndex >= 0 && iIndex < FView->RowCount()) {
        FView->SetRowStatus(iIndex, StateText(state));
        if (const int icon = StateIcon(state); icon >= 0) {
            FView->SetRowIcon(iIndex, icon);
        }
        const int iLong = CommentNumber(CommentOf(List()->Items(iIndex)), CommentKeys::Long, 0);
        FView->SetRowLength(iIndex, LengthText(iLong));
    }
    ScheduleSave();
    UpdateTaskStatus();
}

void TDownloadPipeline::HandleFinished(int iIndex, const QString& strFileName,
                                       qint64 iResultLength) {
    if (iResultLength == 0) {
        FDownloader->Resume();
        return;
    }
    const TNameValueList comment = CommentOf(List()->Items(iIndex));
    const QString strSavePath = comment.Value(CommentKeys::SavePath);
    const bool bStarted = ConvertToAudio(
        strFileName, strSavePath, comment.Value(CommentKeys::ConvertType), this,
        [this, strSavePath](QObject* sender, const TTerminateInfo& info) {
            EncoderTerminated(sender, info, strSavePath);
        },
        CommentNumber(comment, CommentKeys::Long, 0),
        CommentNumber(comment, CommentKeys::Bitrate, kDefaultBitrate));
    if (!bStarted) {
        emit OnSongFinished(strSavePath, false);
    }
    FDownloader->Resume();
    UpdateTaskStatus();
}

void TDownloadPipeline::EncoderTerminated(QObject* sender, const TTerminateInfo& info,
                                          const QString& strSavePath) {
    if (info.TaskIndex < 0 || !info.Finished) {
        emit OnSongFinished(strSavePath, false);
        return;
    }
    auto* release = new TFreeFFVCLThread(
        sender, [this](const QString& aFileName) { ConvertFinished(aFileName); }, info.TaskIndex);
    release->start();
}

void TDownloadPipeline::ConvertFinished(const QString& aFileName) {
    // The queue belongs to the main thread: look the song up there, write the tags here.
    bool bFound = false;
    QString strTitle, strArtist, strAlbum;
    QMetaObject::invokeMethod(
        this,
        [&] {
            const int iIndex = IndexBySavePath(aFileName);
            bFound = iIndex >= 0;
            if (bFound) {
                const TNameValueList comment = CommentOf(List()->Items(iIndex));
                strTitle = comment.Value(CommentKeys::Title);
                strArtist = comment.Value(CommentKeys::Artist);
                strAlbum = comment.Value(CommentKeys::Album);
            }
        },
        Qt::BlockingQueuedConnection);
    if (bFound) {
        WriteSongTags(aFileName, strTitle, strArtist, strAlbum);
    }
    QMetaObject::invokeMethod(
        this, [this, aFileName] { emit OnSongFinished(aFileName, true); }, Qt::QueuedConnection);
}

void TDownloadPipeline::UpdateTaskStatus() {
    int running = 0;
    for (int i = 0; i < List()->ItemCount(); ++i) {
        const EDownloadState state = List()->Items(i)->DownloadState();
        if (state != EDownloadState::KReady && state != EDownloadState::KFinished &&
            state != EDownloadState::KFailed) {
            ++running;
        }
    }
    QString strStatus;
    if (running == 0) {
        strStatus = AppString(LangKeys::InfoNoTask);
    } else if (running == 1) {
        strStatus = AppString(LangKeys::InfoOneTask);
    } else {
        strStatus = AppString(LangKeys::InfoMultiTask)
                        .replace(QStringLiteral("%d"), QString::number(running));
    }
    FView->SetStatusInfo(strStatus);
    FView->CheckAct();
}

// ---- tags ----------------------------------------------------------------------------------

void TDownloadPipeline::WriteSongTags(const QString& aFileName, const QString& aTitle,
                                      const QString& aArtist, const QString& aAlbum) {
    if (!QFileInfo::exists(aFileName)) {
        return;
    }
    const QString strTitle = aTitle.left(kMaxTagText);
    const QString strArtist = aArtist.left(kMaxTagText);
    const QString strAlbum = aAlbum.left(kMaxTagText);
    TID3v1 v1;
    v1.ReadFromFile(aFileName);
    v1.SetTitle(strTitle);
    v1.SetArtist(strArtist);
    v1.SetAlbum(strAlbum);
    v1.SaveToFile(aFileName);
    TID3v2 v2;
    v2.ReadFromFile(aFileName);
    v2.SetTitle(strTitle);
    v2.SetArtist(strArtist);
    v2.SetAlbum(strAlbum);
    v2.SaveToFile(aFileName);
}
