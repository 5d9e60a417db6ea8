#pragma once

#include <QObject>
#include <QString>

class ISearchBox;

// What the search box does: the hint in the empty box, the keyword history in its list with the
// clear item, and Enter starting a search. The form forwards its box's events here.
class TSearchFrame : public QObject {
    Q_OBJECT
public:
    static constexpr int KHintColor = 0x808080;
    static constexpr int KTextColor = 0x000000;
    static constexpr int KEnterKey = 13;

    explicit TSearchFrame(ISearchBox* box, QObject* parent = nullptr);

    // Fills the list and shows the hint when the box is empty.
    void Init();

    QString Keyword() const;
    void SetKeyword(const QString& aKeyword);
    void LoadKeywords();
    void SaveKeyword(const QString& aKeyword);
    void ClearKeyword();

    // The box's events.
    void Enter();
    void Exit();
    void KeyDown(int iKey);
    void DropDown();
    void ItemPicked(const QString& strItem);

signals:
    void OnSearch(const QString& strKeyword, int iPage);

private:
    void ShowHintIfEmpty();

    ISearchBox* FBox;
};
