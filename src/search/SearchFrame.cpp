#include "search/SearchFrame.h"

#include "framework/KrEngine.h"
#include "framework/LangKeys.h"
#include "search/KeywordHistory.h"
#include "search/SearchBox.h"

namespace {

QString AppText(QLatin1String key) {
    return GlobalEngine()->GetAppString(key);
}

}  // namespace

TSearchFrame::TSearchFrame(ISearchBox* box, QObject* parent) : QObject(parent), FBox(box) {}

void TSearchFrame::Init() {
    LoadKeywords();
    ShowHintIfEmpty();
}

QString TSearchFrame::Keyword() const {
    return FBox->Text();
}

void TSearchFrame::SetKeyword(const QString& aKeyword) {
    FBox->SetText(aKeyword);
}

void TSearchFrame::LoadKeywords() {
    FBox->ClearItems();
    for (const QString& strKeyword : TKeywordHistory::Keywords()) {
        FBox->AddItem(strKeyword);
    }
}

void TSearchFrame::SaveKeyword(const QString& aKeyword) {
    TKeywordHistory::SaveKeyword(aKeyword);
}

void TSearchFrame::ClearKeyword() {
    TKeywordHistory::ClearKeyword();
}

void TSearchFrame::Enter() {
    if (FBox->Text() == AppText(LangKeys::TextBlankKeyWord)) {
        FBox->SetText(QString());
        FBox->SetTextColor(KTextColor);
    }
}

void TSearchFrame::Exit() {
    ShowHintIfEmpty();
}

void TSearchFrame::KeyDown(int iKey) {
    if (iKey == KEnterKey) {
        emit OnSearch(FBox->Text(), 1);
    }
}

void TSearchFrame::DropDown() {
    // With an empty history there is nothing to clear, so the clear item is not offered.
    const int count = FBox->ItemCount();
    const QString strClear = AppText(LangKeys::TextClearRecent);
    if (count > 0 && FBox->Item(count - 1) != strClear) {
        FBox->AddItem(strClear);
    }
}

void TSearchFrame::ItemPicked(const QString& strItem) {
    if (strItem == AppText(LangKeys::TextClearRecent)) {
        ClearKeyword();
        LoadKeywords();
        FBox->SetText(QString());
    }
}

void TSearchFrame::ShowHintIfEmpty() {
    if (FBox->Text().isEmpty()) {
        FBox->SetText(AppText(LangKeys::TextBlankKeyWord));
        FBox->SetTextColor(KHintColor);
    }
}
