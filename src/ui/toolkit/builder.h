#pragma once
// Builds control trees from skin XML (format: skin/README.md) and keeps the
// registry of custom control classes.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "ui/toolkit/defs.h"

class QXmlStreamReader;

namespace tessel::ui {

class CControlUI;
class CPaintManagerUI;

class CControlFactory {
 public:
  using CreateClass = std::function<CControlUI*()>;
  static CControlFactory* GetInstance();
  // Names compare ignoring case; registering a name again replaces its creator.
  void RegistControl(const QString& name, CreateClass creator);
  void UnregistControl(const QString& name);
  // nullptr for an unknown name.
  CControlUI* CreateControl(const QString& name) const;
  bool IsRegistered(const QString& name) const;
  // In registration order.
  QStringList GetRegisteredNames() const;

 private:
  std::vector<std::pair<QString, CreateClass>> classes_;
};

class CDialogBuilder {
 public:
  // `xml` is a resource id of res.xml ("XML_MAIN"), a file below the resource
  // path, an absolute file, or XML text starting with '<'. A tag resolves, in
  // this order, through the callback, the toolkit's own classes and the control
  // factory (as the tag and as "C" + tag + "UI"), all ignoring case. A tag that
  // resolves to nothing is skipped with its subtree. The result is added to
  // `parent` when one is given. nullptr when nothing could be built.
  CControlUI* Create(const QString& xml, const QString& type = QString(),
                     IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                     CControlUI* parent = nullptr);
  // Why the last Create returned nullptr (missing file, XML error); empty otherwise.
  QString GetLastErrorMessage() const { return error_; }

  // The toolkit's own tag names.
  static CControlUI* CreateBuiltinControl(const QString& tag);

 private:
  CControlUI* Parse(QXmlStreamReader& reader, CControlUI* parent, bool* isWindow);
  CControlUI* ParseElement(QXmlStreamReader& reader, CControlUI* parent);
  void ParseWindowAttributes(QXmlStreamReader& reader);
  void ParseFont(QXmlStreamReader& reader);
  CControlUI* ResolveTag(const QString& tag);

  IDialogBuilderCallback* callback_ = nullptr;
  CPaintManagerUI* manager_ = nullptr;
  QString error_;
  int depth_ = 0;
};

}  // namespace tessel::ui
