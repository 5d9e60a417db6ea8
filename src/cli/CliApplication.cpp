#include "cli/CliApplication.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

#include "cli/CliTexts.h"
#include "cli/QueueRunner.h"
#include "cli/SongSearch.h"
#include "framework/KrLog.h"
#include "framework/KrSettings.h"
#include "framework/KrUtils.h"
#include "framework/LangKeys.h"
#include "framework/SettingKeys.h"
#include "net/DownloadList.h"
#include "pipeline/DownloadOptions.h"
#include "pipeline/PipelineKeys.h"
#include "search/ResultPage.h"

namespace {

constexpr int kUsageError = 2;

const QString kSearch = QStringLiteral("search");
const QString kGet = QStringLiteral("get");
const QString kList = QStringLiteral("list");
const QString kResume = QStringLiteral("resume");

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

void PrintTable(const QList<QStringList>& rows) {
    QList<qsizetype> widths;
    for (const QStringList& row : rows) {
        widths.resize(qMax(widths.size(), row.size()));
        for (qsizetype i = 0; i < row.size(); ++i) {
            widths[i] = qMax(widths[i], row[i].size());
        }
    }
    for (const QStringList& row : rows) {
        QString strLine;
        for (qsizetype i = 0; i < row.size(); ++i) {
            strLine += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        }
        Out() << strLine << Qt::endl;
    }
}

}  // namespace

TCliApplication::TCliApplication() {
    TKrSettings* settings = GlobalSettings();
    TKrLog::SetActive(settings->GetSettingBool(SettingKeys::DebugEnabled) &&
                      !settings->GetSettingBool(SettingKeys::DebugDisabled));
    const QString strBuiltin = BuiltinLanguageText();
    FLanguageData.SetDefaultData(strBuiltin);
    FLanguageData.SetCurrentData(strBuiltin);
    FEngine.SetLanguageData(&FLanguageData);
    FEngine.SetMessageDialog(&FDialog);
    FEngine.SetLanguage(settings->GetSettingString(SettingKeys::Language));
}

QString TCliApplication::Text(const QString& strName, const QStringList& args) const {
    return KrUtils::FillPlaceholders(FEngine.GetAppString(strName), args);
}

int TCliApplication::Fail(const QString& strName, const QStringList& args, int iExitCode) const {
    QTextStream(stderr) << FProgramName << ": " << Text(strName, args) << Qt::endl;
    return iExitCode;
}

int TCliApplication::Run(const QStringList& arguments) {
    FProgramName = QFileInfo(arguments.value(0)).fileName();
    const QString strCommand = arguments.value(1);
    const QStringList commandArguments = arguments.mid(1);
    if (strCommand == kSearch)
        return RunSearch(commandArguments);
    if (strCommand == kGet)
        return RunGet(commandArguments);
    if (strCommand == kList)
        return RunList(commandArguments);
    if (strCommand == kResume)
        return RunResume(commandArguments);

    if (strCommand == QStringLiteral("--help") || strCommand == QStringLiteral("-h")) {
        Out() << Text(CliTexts::Description) << "\n\n"
              << Text(CliTexts::Commands, {FProgramName}) << Qt::endl;
        return 0;
    }
    if (strCommand.isEmpty()) {
        Fail(CliTexts::ErrNoCommand, {}, kUsageError);
    } else {
        Fail(CliTexts::ErrUnknownCommand, {strCommand}, kUsageError);
    }
    QTextStream(stderr) << Text(CliTexts::Commands, {FProgramName}) << Qt::endl;
    return kUsageError;
}

bool TCliApplication::Parse(QCommandLineParser& parser, const QStringList& arguments,
                            const QString& strHelp, int& iExitCode) const {
    parser.setApplicationDescription(Text(strHelp));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        QTextStream(stderr) << FProgramName << ": " << parser.errorText() << Qt::endl;
        iExitCode = kUsageError;
        return false;
    }
    if (parser.isSet(help)) {
        Out() << parser.helpText().replace(arguments.value(0) + u' ',
                                           FProgramName + u' ' + arguments.value(0) + u' ');
        Out().flush();
        iExitCode = 0;
        return false;
    }
    return true;
}

bool TCliApplication::ReadNumber(const QCommandLineParser& parser, const QString& strOption,
                                 int& iValue, int& iExitCode) const {
    if (!parser.isSet(strOption)) {
        return true;
    }
    bool bOk = false;
    iValue = parser.value(strOption).toInt(&bOk);
    if (!bOk) {
        iExitCode = Fail(CliTexts::ErrBadNumber, {parser.value(strOption), strOption}, kUsageError);
    }
    return bOk;
}

bool TCliApplication::TakeQueue() const {
    return KrUtils::CreateInstanceLock(QStringLiteral("Global\\") +
                                       GlobalSettings()->GetSettingString(SettingKeys::AppGUID));
}

// ---- search --------------------------------------------------------------------------------

int TCliApplication::RunSearch(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("keyword"), Text(CliTexts::ArgKeyword));
    parser.addOption({QStringLiteral("page"), Text(CliTexts::OptPage), QStringLiteral("N")});
    int iExitCode = 0;
    int iPage = 1;
    if (!Parse(parser, arguments, CliTexts::HelpSearch, iExitCode) ||
        !ReadNumber(parser, QStringLiteral("page"), iPage, iExitCode)) {
        return iExitCode;
    }
    const QString strKeyword = parser.positionalArguments().join(u' ').trimmed();
    if (strKeyword.isEmpty()) {
        return Fail(LangKeys::MsgNoEnterKeyword, {}, kUsageError);
    }
    TSongSearch search;
    if (!search.Run(strKeyword, iPage)) {
        return Fail(CliTexts::ErrSearchFailed);
    }
    if (search.Songs().isEmpty()) {
        return Fail(CliTexts::ErrNoResults, {strKeyword});
    }
    QList<QStringList> rows{{Text(CliTexts::HeaderNumber), Text(CliTexts::HeaderTitle),
                             Text(CliTexts::HeaderLength), Text(CliTexts::HeaderPopularity)}};
    TResultPage page;
    for (qsizetype i = 0; i < search.Songs().size(); ++i) {
        const TSongSearch::TSong& song = search.Songs()[i];
        rows.append({QString::number(i + 1), page.PlainTitle(song.Title),
                     TDownloadPipeline::LengthText(song.Long), song.Popularity});
    }
    PrintTable(rows);
    return 0;
}

// ---- get -----------------------------------------------------------------------------------

int TCliApplication::RunGet(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("id"), Text(CliTexts::OptId), QStringLiteral("ID")},
        {QStringLiteral("search"), Text(CliTexts::OptSearch), QStringLiteral("KEYWORD")},
        {QStringLiteral("pick"), Text(CliTexts::OptPick), QStringLiteral("N")},
        {QStringLiteral("page"), Text(CliTexts::OptPage), QStringLiteral("N")},
        {QStringLiteral("bitrate"), Text(CliTexts::OptBitrate), QStringLiteral("KBPS")},
        {QStringLiteral("to"), Text(CliTexts::OptTo), QStringLiteral("FOLDER")},
        {QStringLiteral("title"), Text(CliTexts::OptTitle), QStringLiteral("T")},
        {QStringLiteral("artist"), Text(CliTexts::OptArtist), QStringLiteral("A")},
        {QStringLiteral("album"), Text(CliTexts::OptAlbum), QStringLiteral("B")},
    });
    int iExitCode = 0;
    int iPick = 1;
    int iPage = 1;
    int iBitrate = 0;
    if (!Parse(parser, arguments, CliTexts::HelpGet, iExitCode) ||
        !ReadNumber(parser, QStringLiteral("pick"), iPick, iExitCode) ||
        !ReadNumber(parser, QStringLiteral("page"), iPage, iExitCode) ||
        !ReadNumber(parser, QStringLiteral("bitrate"), iBitrate, iExitCode)) {
        return iExitCode;
    }
    const bool bById = parser.isSet(QStringLiteral("id"));
    if (bById == parser.isSet(QStringLiteral("search"))) {
        return Fail(CliTexts::ErrNeedIdOrSearch, {}, kUsageError);
    }
    if (parser.isSet(QStringLiteral("bitrate")) &&
        TDownloadOptions::PositionOfBitrate(iBitrate) < 0) {
        return Fail(CliTexts::ErrBadBitrate, {}, kUsageError);
    }

    TUrlInfo request;
    if (bById) {
        request.Action = UA_DOWNLOAD;
        request.Id = parser.value(QStringLiteral("id"));
        request.Title = KrUtils::FormEncode(parser.value(QStringLiteral("title")));
    } else {
        TSongSearch search;
        if (!search.Run(parser.value(QStringLiteral("search")), iPage)) {
            return Fail(CliTexts::ErrSearchFailed);
        }
        if (iPick < 1 || iPick > search.Songs().size()) {
            return Fail(CliTexts::ErrBadPick, {QString::number(iPick)});
        }
        request = search.Request(iPick - 1);
    }

    // What the download options would propose, with the command line's choices on top.
    TDownloadOptions options;
    options.Load();
    options.SetInfo(request);
    if (parser.isSet(QStringLiteral("title"))) {
        options.SetTitle(parser.value(QStringLiteral("title")));
    }
    if (parser.isSet(QStringLiteral("artist"))) {
        options.SetArtist(parser.value(QStringLiteral("artist")));
    }
    if (parser.isSet(QStringLiteral("album"))) {
        options.SetAlbum(parser.value(QStringLiteral("album")));
    }
    if (parser.isSet(QStringLiteral("to"))) {
        options.SetFolder(QFileInfo(parser.value(QStringLiteral("to"))).absoluteFilePath());
    }
    if (parser.isSet(QStringLiteral("bitrate"))) {
        options.SetBitratePosition(TDownloadOptions::PositionOfBitrate(iBitrate));
    }
    if (!options.EnsureFolder()) {
        return Fail(LangKeys::MsgDirNotExists);
    }
    if (!TakeQueue()) {
        return Fail(CliTexts::ErrBusy);
    }
    options.Save();

    TQueueRunner runner;
    runner.LoadQueue();
    if (!runner.Pipeline().QueueSong(request, options)) {
        return 1;  // the pipeline has said why: the song is queued already
    }
    const TDownloadList* list = runner.Downloader().DownloadList();
    const QString strSavePath = TDownloadPipeline::CommentOf(list->Items(list->ItemCount() - 1))
                                    .Value(CommentKeys::SavePath);
    const QHash<QString, bool> results = runner.WaitFor({strSavePath});
    if (!results.value(strSavePath)) {
        return Fail(CliTexts::ErrDownloadFailed, {options.Title()});
    }
    Out() << Text(CliTexts::InfoSaved, {strSavePath}) << Qt::endl;
    return 0;
}

// ---- list and resume -----------------------------------------------------------------------

int TCliApplication::RunList(const QStringList& arguments) {
    QCommandLineParser parser;
    int iExitCode = 0;
    if (!Parse(parser, arguments, CliTexts::HelpList, iExitCode)) {
        return iExitCode;
    }
    TQueueRunner runner;
    runner.LoadQueue();
    const TDownloadList* list = runner.Downloader().DownloadList();
    if (list->ItemCount() == 0) {
        Out() << Text(LangKeys::InfoNoTask) << Qt::endl;
        return 0;
    }
    QList<QStringList> rows{{Text(CliTexts::HeaderNumber), Text(CliTexts::HeaderTitle),
                             Text(CliTexts::HeaderLength), Text(CliTexts::HeaderStatus),
                             Text(CliTexts::HeaderFile)}};
    for (int i = 0; i < list->ItemCount(); ++i) {
        const TNameValueList comment = TDownloadPipeline::CommentOf(list->Items(i));
        rows.append({QString::number(i + 1), comment.Value(CommentKeys::Title),
                     TDownloadPipeline::LengthText(comment.Value(CommentKeys::Long).toInt()),
                     TDownloadPipeline::StateText(list->Items(i)->DownloadState()),
                     comment.Value(CommentKeys::SavePath)});
    }
    PrintTable(rows);
    return 0;
}

int TCliApplication::RunResume(const QStringList& arguments) {
    QCommandLineParser parser;
    int iExitCode = 0;
    if (!Parse(parser, arguments, CliTexts::HelpResume, iExitCode)) {
        return iExitCode;
    }
    if (!TakeQueue()) {
        return Fail(CliTexts::ErrBusy);
    }
    TQueueRunner runner;
    runner.LoadQueue();
    const QStringList savePaths = runner.UnfinishedSavePaths();
    if (savePaths.isEmpty()) {
        Out() << Text(LangKeys::InfoNoTask) << Qt::endl;
        return 0;
    }
    runner.Downloader().Resume();
    const QHash<QString, bool> results = runner.WaitFor(savePaths);
    int iFailed = 0;
    for (const QString& strPath : savePaths) {
        if (results.value(strPath)) {
            Out() << Text(CliTexts::InfoSaved, {strPath}) << Qt::endl;
        } else {
            Fail(CliTexts::ErrDownloadFailed, {QFileInfo(strPath).fileName()});
            ++iFailed;
        }
    }
    return iFailed == 0 ? 0 : 1;
}
