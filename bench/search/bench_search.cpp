// Result page speed: rendering 1,000 and 10,000 songs (ten times the songs may cost at most
// twelve times the time) and cutting a 2 MiB answer of 500 songs with the shipped patterns.
// Prints each figure; exits non-zero when the rendering does not scale or a step fails.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <time.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "framework/KrEngine.h"
#include "framework/KrMultiLang.h"
#include "framework/KrSettings.h"
#include "search/ResultPage.h"
#include "search/ResultParser.h"

namespace {

constexpr int KRuns = 15;

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The processor time of the fastest of a few runs: on a shared machine a long run is preempted
// more often than a short one, so wall time would punish the larger page for the neighbours.
double BestMs(const std::function<bool()>& run) {
    std::vector<double> times;
    for (int i = 0; i < KRuns; ++i) {
        const double start = ThreadCpuMs();
        if (!run()) {
            return -1;
        }
        times.push_back(ThreadCpuMs() - start);
    }
    return *std::min_element(times.begin(), times.end());
}

// A parsed result list of n songs with titles carrying markup, and ten page links.
TNameValueList ResultList(int n) {
    QStringList lines{QStringLiteral("SearchKeyURL=http://127.0.0.1/results?search_query=x"),
                      QStringLiteral("Page=1"), QStringLiteral("SearchKey=bench")};
    for (int i = 0; i < n; ++i) {
        const QString s = QString::number(i);
        lines << QStringLiteral("ID") + s + QStringLiteral("=vid") + s
              << QStringLiteral("TITLE") + s + QStringLiteral("=Song <b>number</b> ") + s +
                     QStringLiteral(" & friends")
              << QStringLiteral("DURATION") + s +
                     QStringLiteral("=3:%1").arg(i % 60, 2, 10, QLatin1Char('0'))
              << QStringLiteral("POPULARITY") + s + QStringLiteral("=") +
                     QString::number(10 + i % 90);
    }
    for (int k = 1; k <= 10; ++k) {
        lines << QStringLiteral("PAGE%1=%2").arg(k - 1).arg(k);
    }
    return TNameValueList(lines);
}

// A search answer in the sample service's markup: 500 songs, padded to 2 MiB.
QString Answer() {
    constexpr int kSongs = 500;
    constexpr qsizetype kSize = 2 * 1024 * 1024;
    const QString strFiller =
        QStringLiteral("<p class=\"song-description\">") +
        QStringLiteral("Lorem ipsum dolor sit amet, consectetur. ").repeated(96) +
        QStringLiteral("</p>\n");
    QString answer = QStringLiteral("<html><body><ol class=\"results\">\n");
    for (int i = 0; i < kSongs; ++i) {
        answer += QStringLiteral(
                      "<li class=\"song\">\n<a class=\"song-title\" href=\"/watch?v=vid%1\">"
                      "Song <b>number</b> %1 &amp; friends</a>\n")
                      .arg(i) +
                  strFiller +
                  QStringLiteral(
                      "<div class=\"song-stats\"><span class=\"song-length\">3:%1</span> "
                      "<span class=\"song-views\">1,234,%2 views</span></div>\n</li>\n")
                      .arg(i % 60, 2, 10, QLatin1Char('0'))
                      .arg(i % 1000, 3, 10, QLatin1Char('0'));
    }
    answer += QStringLiteral(
        "</ol><nav><a class=\"page current\" href=\"#\">1</a>"
        "<a class=\"page\" href=\"#\">2</a></nav>");
    while (answer.toUtf8().size() < kSize) {
        answer += QStringLiteral("<!-- padding -->\n");
    }
    return answer + QStringLiteral("</body></html>\n");
}

bool CopyFolder(const QString& strFrom, const QString& strTo) {
    QDir().mkpath(strTo);
    for (const QString& strName : QDir(strFrom).entryList(QDir::Files)) {
        if (!QFile::copy(strFrom + u'/' + strName, strTo + u'/' + strName)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir temp;
    qputenv("HALVEX_USER_DATA_HOME", (temp.path() + QStringLiteral("/user")).toUtf8());
    qputenv("HALVEX_COMMON_DATA_HOME", (temp.path() + QStringLiteral("/common")).toUtf8());
    const QString strProgram = temp.path() + QStringLiteral("/program/");
    if (!CopyFolder(QStringLiteral(HALVEX_SOURCE_DIR "/data/res"),
                    strProgram + QStringLiteral("res")) ||
        !QFile::copy(QStringLiteral(HALVEX_SOURCE_DIR "/data/const.dat"),
                     strProgram + QStringLiteral("const.dat"))) {
        out << "cannot prepare the program folder\n";
        return 1;
    }
    CreateGlobalSettings(strProgram);
    TKrMultiLangData language;
    language.SetDefaultData(BuiltinLanguageText());
    TKrEngine engine;
    engine.SetLanguageData(&language);

    const auto render = [&](int n) {
        const TNameValueList source = ResultList(n);
        return BestMs([&] {
            TNameValueList list = source;
            QString strHtml;
            return TResultPage().MakeResultHtml(list, 1, strProgram, strHtml) &&
                   strHtml.count(QStringLiteral("<tr id=\"song-")) == n;
        });
    };
    render(1000);  // warm-up
    const double ms1k = render(1000);
    const double ms10k = render(10000);
    const double ratio = ms10k / ms1k;

    const QString strAnswer = Answer();
    const double msParse = BestMs([&] {
        TNameValueList list;
        TResultParser parser;
        return parser.ParseAnswer(strAnswer, list) &&
               list.Value(QStringLiteral("ID499")) == QStringLiteral("vid499") &&
               list.Value(QStringLiteral("POPULARITY499")).toInt() > 0;
    });

    out << QStringLiteral("processor time, fastest of %1 runs\n").arg(KRuns)
        << QStringLiteral("render 1,000 songs:   %1 ms\n").arg(ms1k, 0, 'f', 2)
        << QStringLiteral(
               "render 10,000 songs:  %1 ms (%2x the time for 10x the songs; at most 12x)\n")
               .arg(ms10k, 0, 'f', 2)
               .arg(ratio, 0, 'f', 2)
        << QStringLiteral("parse 2 MiB answer, 500 songs: %1 ms (%2 bytes)\n")
               .arg(msParse, 0, 'f', 2)
               .arg(strAnswer.toUtf8().size());
    FreeGlobalSettings();
    const bool bOk = ms1k > 0 && ms10k > 0 && msParse > 0 && ratio <= 12.0;
    return bOk ? 0 : 1;
}
