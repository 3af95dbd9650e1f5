#include "ui/toolkit/builder.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <algorithm>

#include "ui/toolkit/controls.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/render.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/toolkit/tray.h"

namespace tessel::ui {

namespace {
// Nested skins (Include, "built from" tags) deeper than this are refused, so a
// skin that includes itself cannot recurse without end.
constexpr int kMaxDepth = 16;
thread_local int t_nesting = 0;

struct NestingGuard {
  NestingGuard() { ++t_nesting; }
  ~NestingGuard() { --t_nesting; }
};
}  // namespace

// ------------------------------------------------------------------ factory

CControlFactory* CControlFactory::GetInstance() {
  static CControlFactory factory;
  return &factory;
}

void CControlFactory::RegistControl(const QString& name, CreateClass creator) {
  for (auto& entry : classes_) {
    if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
      entry.second = std::move(creator);
      return;
    }
  }
  classes_.emplace_back(name, std::move(creator));
}

void CControlFactory::UnregistControl(const QString& name) {
  classes_.erase(std::remove_if(classes_.begin(), classes_.end(),
                                [&](const auto& e) { return e.first.compare(name, Qt::CaseInsensitive) == 0; }),
                 classes_.end());
}

CControlUI* CControlFactory::CreateControl(const QString& name) const {
  for (const auto& entry : classes_) {
    if (entry.first.compare(name, Qt::CaseInsensitive) == 0) return entry.second ? entry.second() : nullptr;
  }
  return nullptr;
}

bool CControlFactory::IsRegistered(const QString& name) const {
  return std::any_of(classes_.begin(), classes_.end(),
                     [&](const auto& e) { return e.first.compare(name, Qt::CaseInsensitive) == 0; });
}

QStringList CControlFactory::GetRegisteredNames() const {
  QStringList names;
  for (const auto& e : classes_) names << e.first;
  return names;
}

// ------------------------------------------------------------------ builder

CControlUI* CDialogBuilder::CreateBuiltinControl(const QString& tag) {
  const QString t = tag.toLower();
  if (t == QLatin1String("control")) return new CControlUI;
  if (t == QLatin1String("container")) return new CContainerUI;
  if (t == QLatin1String("verticallayout")) return new CVerticalLayoutUI;
  if (t == QLatin1String("horizontallayout")) return new CHorizontalLayoutUI;
  if (t == QLatin1String("tablayout")) return new CTabLayoutUI;
  if (t == QLatin1String("label")) return new CLabelUI;
  if (t == QLatin1String("text")) return new CTextUI;
  if (t == QLatin1String("button")) return new CButtonUI;
  if (t == QLatin1String("option")) return new COptionUI;
  if (t == QLatin1String("checkbox")) return new CCheckBoxUI;
  if (t == QLatin1String("progress")) return new CProgressUI;
  if (t == QLatin1String("slider")) return new CSliderUI;
  if (t == QLatin1String("edit")) return new CEditUI;
  if (t == QLatin1String("richedit")) return new CRichEditUI;
  if (t == QLatin1String("combo")) return new CComboUI;
  if (t == QLatin1String("list")) return new CListUI;
  if (t == QLatin1String("listlabelelement")) return new CListLabelElementUI;
  if (t == QLatin1String("colorpalette")) return new CColorPaletteUI;
  if (t == QLatin1String("menu")) return new CMenuUI;
  if (t == QLatin1String("menuelement")) return new CMenuElementUI;
  return nullptr;
}

CControlUI* CDialogBuilder::ResolveTag(const QString& tag) {
  if (callback_)
    if (CControlUI* c = callback_->CreateControl(tag)) return c;
  if (CControlUI* c = CreateBuiltinControl(tag)) return c;
  auto* factory = CControlFactory::GetInstance();
  if (CControlUI* c = factory->CreateControl(tag)) return c;
  return factory->CreateControl(QStringLiteral("C") + tag + QStringLiteral("UI"));
}

CControlUI* CDialogBuilder::Create(const QString& xml, const QString& type, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
  (void)type;
  error_.clear();
  callback_ = callback;
  manager_ = manager;
  if (t_nesting >= kMaxDepth) {
    error_ = QStringLiteral("skin nesting too deep at %1").arg(xml);
    return nullptr;
  }
  NestingGuard guard;

  QByteArray content;
  if (xml.trimmed().startsWith('<')) {
    content = xml.toUtf8();
  } else {
    QString path = CResourceManager::GetInstance()->GetXmlPath(xml);
    if (path.isEmpty()) path = CPaintManagerUI::ResolvePath(xml);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      error_ = QStringLiteral("cannot open %1").arg(path);
      return nullptr;
    }
    content = file.readAll();
  }
  QXmlStreamReader reader(content);
  CControlUI* root = nullptr;
  while (!reader.atEnd()) {
    if (reader.readNext() == QXmlStreamReader::StartElement) {
      bool isWindow = false;
      root = Parse(reader, parent, &isWindow);
      break;
    }
  }
  if (reader.hasError() && reader.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
    error_ = QStringLiteral("%1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber());
  }
  return root;
}

CControlUI* CDialogBuilder::Parse(QXmlStreamReader& reader, CControlUI* parent, bool* isWindow) {
  if (reader.name().compare(QLatin1String("Window"), Qt::CaseInsensitive) != 0) {
    *isWindow = false;
    return ParseElement(reader, parent);
  }
  *isWindow = true;
  ParseWindowAttributes(reader);
  CControlUI* root = nullptr;
  while (reader.readNextStartElement()) {
    const QString tag = reader.name().toString();
    if (tag.compare(QLatin1String("Font"), Qt::CaseInsensitive) == 0) {
      ParseFont(reader);
      reader.skipCurrentElement();
    } else if (tag.compare(QLatin1String("Default"), Qt::CaseInsensitive) == 0 ||
               tag.compare(QLatin1String("Image"), Qt::CaseInsensitive) == 0) {
      reader.skipCurrentElement();
    } else if (!root) {
      root = ParseElement(reader, parent);
    } else {
      reader.skipCurrentElement();
    }
  }
  return root;
}

void CDialogBuilder::ParseWindowAttributes(QXmlStreamReader& reader) {
  if (!manager_) return;
  for (const auto& a : reader.attributes()) {
    const QString n = a.name().toString().toLower();
    const QString v = a.value().toString();
    if (n == QLatin1String("size")) {
      QMargins m = ParseMargins(v);
      manager_->SetInitSize(QSize(m.left(), m.top()));
    } else if (n == QLatin1String("caption")) {
      QMargins m = ParseMargins(v);
      manager_->SetCaptionRect(QRect(m.left(), m.top(), std::max(0, m.right() - m.left()), m.bottom() - m.top()));
    }
  }
}

void CDialogBuilder::ParseFont(QXmlStreamReader& reader) {
  if (!manager_) return;
  const auto attrs = reader.attributes();
  const int id = attrs.hasAttribute(QLatin1String("id")) ? attrs.value(QLatin1String("id")).toInt() : -1;
  const QString family = attrs.value(QLatin1String("name")).toString();
  const int size = attrs.hasAttribute(QLatin1String("size")) ? attrs.value(QLatin1String("size")).toInt() : 12;
  const bool bold = ParseBool(attrs.value(QLatin1String("bold")).toString());
  const bool underline = ParseBool(attrs.value(QLatin1String("underline")).toString());
  const bool italic = ParseBool(attrs.value(QLatin1String("italic")).toString());
  manager_->AddFont(id, family, size, bold, underline, italic);
  if (ParseBool(attrs.value(QLatin1String("default")).toString()))
    manager_->SetDefaultFont(family, size, bold, underline, italic);
}

CControlUI* CDialogBuilder::ParseElement(QXmlStreamReader& reader, CControlUI* parent) {
  const QString tag = reader.name().toString();
  const QXmlStreamAttributes attrs = reader.attributes();

  if (tag.compare(QLatin1String("Include"), Qt::CaseInsensitive) == 0) {
    const QString source = attrs.value(QLatin1String("source")).toString();
    reader.skipCurrentElement();
    CDialogBuilder nested;
    return nested.Create(source, QString(), callback_, manager_, parent);
  }

  CControlUI* control = ResolveTag(tag);
  if (!control) {
    // Neither the callback, the toolkit nor the factory knows the tag: the
    // element and everything inside it is left out.
    reader.skipCurrentElement();
    return nullptr;
  }
  for (const auto& a : attrs) control->SetAttribute(a.name().toString(), a.value().toString());

  auto* container = dynamic_cast<CContainerUI*>(control);
  while (reader.readNextStartElement()) {
    if (container) ParseElement(reader, container);
    else reader.skipCurrentElement();
  }

  if (auto* parentContainer = dynamic_cast<CContainerUI*>(parent)) {
    parentContainer->Add(control);
    // Combos and lists turn item elements into items and free the element.
    if (parentContainer->GetItemIndex(control) < 0) return nullptr;
  } else if (manager_) {
    control->SetManager(manager_, parent);
  }
  control->DoInit();
  return control;
}

}  // namespace tessel::ui
