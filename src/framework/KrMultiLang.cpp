#include "framework/KrMultiLang.h"

#include <QFile>
#include <QMetaProperty>
#include <QRegularExpression>

#include "framework/KrTextFile.h"
#include "framework/LangKeys.h"

// ---- TKrMultiLangLan -----------------------------------------------------------------------

bool TKrMultiLangLan::LoadFromFile(const QString& strFileName) {
    TKrText text;
    const bool bRead = KrTextFile::Read(strFileName, text);
    LoadFromString(text.Text);
    return bRead;
}

void TKrMultiLangLan::LoadFromString(const QString& strText) {
    FData = strText;
    FbToApply = true;
}

void TKrMultiLangLan::ClearAll() {
    FData.clear();
    FIniData.Clear();
    FbToApply = false;
}

const TKrIniFile& TKrMultiLangLan::Parsed() const {
    if (FbToApply) {
        FIniData.LoadFromString(FData);
        FbToApply = false;
    }
    return FIniData;
}

QString TKrMultiLangLan::DecodeValue(const QString& strValue) {
    QString result = strValue;
    result.replace(QStringLiteral("<BR>"), QStringLiteral("\r\n"), Qt::CaseInsensitive);
    result.replace(QStringLiteral("<SP>"), QStringLiteral(" "), Qt::CaseInsensitive);
    return result;
}

bool TKrMultiLangLan::GetProp(const QString& strForm, const QString& strComp,
                              const QString& strProp, QString& strValue) const {
    const QString strName = strComp.isEmpty() ? strProp : strComp + u'.' + strProp;
    const TKrIniFile& ini = Parsed();
    if (!ini.ValueExists(strForm, strName)) {
        return false;
    }
    strValue = DecodeValue(ini.ReadString(strForm, strName));
    return true;
}

void TKrMultiLangLan::GetSectionStrings(const QString& strSection, TNameValueList& sl) const {
    const TKrIniFile& ini = Parsed();
    for (const QString& strName : ini.SectionNames(strSection)) {
        sl.SetValue(strName, DecodeValue(ini.ReadString(strSection, strName)));
    }
}

// ---- TKrMultiLangData ----------------------------------------------------------------------

TKrMultiLangData::TKrMultiLangData(QObject* parent) : QObject(parent) {}

TKrMultiLangData::~TKrMultiLangData() {
    for (TKrMultiLang* client : std::as_const(FClients)) {
        client->SetLanguageData(nullptr);
    }
}

void TKrMultiLangData::SetCurrentData(const QString& strText) {
    FLangCurrentData.LoadFromString(strText);
    FAppName.clear();
}

void TKrMultiLangData::SetDefaultData(const QString& strText) {
    FLangDefaultData.LoadFromString(strText);
    FAppName.clear();
}

bool TKrMultiLangData::GetProp(const QString& strForm, const QString& strComp,
                               const QString& strProp, QString& strValue) const {
    if (!FLangCurrentData.GetProp(strForm, strComp, strProp, strValue) &&
        !FLangDefaultData.GetProp(strForm, strComp, strProp, strValue)) {
        return false;
    }
    const bool bIsAppName = strComp.isEmpty() &&
                            strForm.compare(LangKeys::AppResSection, Qt::CaseInsensitive) == 0 &&
                            strProp.compare(LangKeys::AppName, Qt::CaseInsensitive) == 0;
    if (!bIsAppName && strValue.contains(QStringLiteral("{AppName}"), Qt::CaseInsensitive)) {
        strValue.replace(QStringLiteral("{AppName}"),
                         const_cast<TKrMultiLangData*>(this)->AppName(), Qt::CaseInsensitive);
    }
    return true;
}

void TKrMultiLangData::GetSectionStrings(const QString& strSection, TNameValueList& sl) const {
    for (const TKrMultiLangLan* table : {&FLangCurrentData, &FLangDefaultData}) {
        TNameValueList texts;
        table->GetSectionStrings(strSection, texts);
        for (qsizetype i = 0; i < texts.Count(); ++i) {
            if (!sl.Contains(texts.Name(i))) {
                sl.Append(texts.Line(i));
            }
        }
    }
}

bool TKrMultiLangData::LoadCurrentFromFile(const QString& strFileName) {
    FAppName.clear();
    const bool bLoaded = FLangCurrentData.LoadFromFile(strFileName);
    AppName();
    for (TKrMultiLang* client : std::as_const(FClients)) {
        client->ApplyData();
    }
    return bLoaded;
}

void TKrMultiLangData::ClearCurrentAll() {
    FLangCurrentData.ClearAll();
    FAppName.clear();  // the name came from the dropped table
}

QString TKrMultiLangData::AppName() {
    if (FAppName.isEmpty()) {
        QString strName;
        if (FLangCurrentData.GetProp(LangKeys::AppResSection, QString(), LangKeys::AppName,
                                     strName) ||
            FLangDefaultData.GetProp(LangKeys::AppResSection, QString(), LangKeys::AppName,
                                     strName)) {
            FAppName = strName;
        }
    }
    return FAppName;
}

void TKrMultiLangData::AddClient(TKrMultiLang* client) {
    if (!FClients.contains(client)) {
        FClients.append(client);
    }
}

void TKrMultiLangData::RemoveClient(TKrMultiLang* client) {
    FClients.removeAll(client);
}

void TKrMultiLangData::AddCollectionAdapter(IKrLangCollectionAdapter* adapter) {
    if (!FAdapters.contains(adapter)) {
        FAdapters.append(adapter);
    }
}

// ---- TKrMultiLang --------------------------------------------------------------------------

TKrMultiLang::TKrMultiLang(QObject* window, TKrMultiLangData* data)
    : QObject(window), FWindow(window) {
    SetLanguageData(data);
}

TKrMultiLang::~TKrMultiLang() {
    if (FLanguageData) {
        FLanguageData->RemoveClient(this);
    }
}

void TKrMultiLang::SetLanguageData(TKrMultiLangData* data) {
    if (FLanguageData == data) {
        return;
    }
    if (FLanguageData) {
        FLanguageData->RemoveClient(this);
    }
    FLanguageData = data;
    if (FLanguageData) {
        FLanguageData->AddClient(this);
        if (FLanguageData->AutoApply()) {
            ApplyData();
        }
    }
}

void TKrMultiLang::ApplyData() {
    if (!FLanguageData || FWindow == nullptr) {
        return;
    }
    const QString strSection = QString::fromLatin1(FWindow->metaObject()->className());
    ApplyProp(FWindow, strSection, FWindow->objectName());
    const QList<QObject*> components = FWindow->findChildren<QObject*>();
    for (QObject* component : components) {
        if (component->objectName().isEmpty() || qobject_cast<TKrMultiLang*>(component) ||
            qobject_cast<TKrMultiLangData*>(component)) {
            continue;
        }
        ApplyProp(component, strSection, component->objectName());
    }
    emit OnChangeLanguage();
}

void TKrMultiLang::ApplyProp(QObject* component, const QString& strSection,
                             const QString& strControl) {
    const QMetaObject* meta = component->metaObject();
    QString strValue;
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const int type = property.metaType().id();
        if (!property.isWritable() || qstrcmp(property.name(), "objectName") == 0 ||
            (type != QMetaType::QString && type != QMetaType::QStringList)) {
            continue;
        }
        const QString strProp = QString::fromLatin1(property.name());
        if (!FLanguageData->GetProp(strSection, strControl, strProp, strValue)) {
            continue;
        }
        if (type == QMetaType::QString) {
            property.write(component, strValue);
        } else {
            // As a text list's whole text: one item per line, no item after a final line break.
            static const QRegularExpression kLineBreak(QStringLiteral("\r\n|\r|\n"));
            QStringList items = strValue.split(kLineBreak);
            if (!items.isEmpty() && items.last().isEmpty()) {
                items.removeLast();
            }
            property.write(component, items);
        }
    }
    for (IKrLangCollectionAdapter* adapter : FLanguageData->CollectionAdapters()) {
        for (const QString& strCollection : adapter->Collections(component)) {
            const int count = adapter->ItemCount(component, strCollection);
            const QStringList itemProperties = adapter->ItemProperties(component, strCollection);
            for (int index = 0; index < count; ++index) {
                for (const QString& strItemProp : itemProperties) {
                    const QString strName = strCollection + u'[' + QString::number(index) +
                                            QStringLiteral("].") + strItemProp;
                    if (FLanguageData->GetProp(strSection, strControl, strName, strValue)) {
                        adapter->SetItemProperty(component, strCollection, index, strItemProp,
                                                 strValue);
                    }
                }
            }
        }
    }
}

QString BuiltinLanguageText() {
    Q_INIT_RESOURCE(builtin);
    QFile file(QStringLiteral(":/halvex/lang/English.lan"));
    file.open(QIODevice::ReadOnly);
    return KrTextFile::Decode(file.readAll()).Text;
}
