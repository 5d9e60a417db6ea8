#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "framework/KrIniFile.h"
#include "framework/NameValueList.h"

// One language table: INI text whose sections hold resource texts (AppRes, LibRes, SkinRes) and
// the texts of each window's controls. The text is parsed lazily on the first lookup after it
// changed.
class TKrMultiLangLan {
public:
    // Reads a .lan file (byte-order mark honoured, else UTF-8); false when it cannot be read.
    bool LoadFromFile(const QString& strFileName);
    void LoadFromString(const QString& strText);
    QString ToString() const { return FData; }
    void ClearAll();

    // The name is strComp + "." + strProp, or strProp alone when strComp is empty. Decodes
    // "<BR>" and "<SP>"; leaves strValue unchanged and answers false when absent.
    bool GetProp(const QString& strForm, const QString& strComp, const QString& strProp,
                 QString& strValue) const;
    // Sets sl's entry of every name of the section to its decoded value.
    void GetSectionStrings(const QString& strSection, TNameValueList& sl) const;

    // "<BR>" becomes CR LF and "<SP>" a space, without regard to case.
    static QString DecodeValue(const QString& strValue);

private:
    const TKrIniFile& Parsed() const;

    QString FData;
    mutable TKrIniFile FIniData;
    mutable bool FbToApply = false;
};

// Lets the language tables reach items of a collection property ("lvDL.Columns[0].Caption") on
// widgets that Qt's meta-object system cannot enumerate. The GUI registers one per widget kind.
class IKrLangCollectionAdapter {
public:
    virtual ~IKrLangCollectionAdapter() = default;
    // Names of the collection properties of this component that the adapter serves.
    virtual QStringList Collections(const QObject* component) const = 0;
    virtual int ItemCount(const QObject* component, const QString& strCollection) const = 0;
    virtual QStringList ItemProperties(const QObject* component,
                                       const QString& strCollection) const = 0;
    virtual void SetItemProperty(QObject* component, const QString& strCollection, int index,
                                 const QString& strProperty, const QString& strValue) = 0;
};

class TKrMultiLang;

// Holds the current table (a loaded .lan file) and the default table (built-in English), answers
// lookups current-first, and re-applies the registered windows after a language change.
class TKrMultiLangData : public QObject {
    Q_OBJECT
public:
    explicit TKrMultiLangData(QObject* parent = nullptr);
    ~TKrMultiLangData() override;

    bool AutoApply() const { return FAutoApply; }
    void SetAutoApply(bool bAutoApply) { FAutoApply = bAutoApply; }

    void SetCurrentData(const QString& strText);
    void SetDefaultData(const QString& strText);
    const TKrMultiLangLan& CurrentData() const { return FLangCurrentData; }
    const TKrMultiLangLan& DefaultData() const { return FLangDefaultData; }

    bool GetProp(const QString& strForm, const QString& strComp, const QString& strProp,
                 QString& strValue) const;
    // Adds the current table's then the default table's entries that sl does not have yet.
    void GetSectionStrings(const QString& strSection, TNameValueList& sl) const;

    // Loads a .lan file as current data and re-applies every registered window.
    bool LoadCurrentFromFile(const QString& strFileName);
    // Drops the current data: lookups fall back to the default table. Windows are not re-applied.
    void ClearCurrentAll();
    QString AppName();

    void AddClient(TKrMultiLang* client);
    void RemoveClient(TKrMultiLang* client);
    const QList<TKrMultiLang*>& Clients() const { return FClients; }

    // Adapters are not owned; they must outlive this object.
    void AddCollectionAdapter(IKrLangCollectionAdapter* adapter);
    const QList<IKrLangCollectionAdapter*>& CollectionAdapters() const { return FAdapters; }

private:
    bool FAutoApply = true;
    TKrMultiLangLan FLangCurrentData;
    TKrMultiLangLan FLangDefaultData;
    QList<TKrMultiLang*> FClients;
    QList<IKrLangCollectionAdapter*> FAdapters;
    QString FAppName;
};

// Translates one window: its own string properties and those of every named object below it,
// from the section named after the window's class.
class TKrMultiLang : public QObject {
    Q_OBJECT
public:
    // window is the translated object; the component becomes its child.
    explicit TKrMultiLang(QObject* window, TKrMultiLangData* data = nullptr);
    ~TKrMultiLang() override;

    TKrMultiLangData* LanguageData() const { return FLanguageData; }
    void SetLanguageData(TKrMultiLangData* data);
    QObject* Window() const { return FWindow; }

    // Applies the texts; called on registration when the data's AutoApply is on, and after each
    // language load.
    void ApplyData();

signals:
    void OnChangeLanguage();

private:
    void ApplyProp(QObject* component, const QString& strSection, const QString& strControl);

    QObject* FWindow;
    QPointer<TKrMultiLangData> FLanguageData;
};

// The built-in English table (AppRes, LibRes and the window sections).
QString BuiltinLanguageText();
