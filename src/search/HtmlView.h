#pragma once

#include <QString>

// An embedded HTML view as the center view drives it. The GUI implements it over its web view
// and reports every navigation to TCenterView::BeforeNavigate before it happens.
class IHtmlView {
public:
    virtual ~IHtmlView() = default;
    virtual void Navigate(const QString& strURL) = 0;
    // Shows a document given as text; its links and files resolve against the program folder.
    virtual void LoadHtml(const QString& strHtml) = 0;
    // Runs a script statement in the loaded document; failures are ignored.
    virtual void RunScript(const QString& strScript) = 0;
};
