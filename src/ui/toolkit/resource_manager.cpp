#include "ui/toolkit/resource_manager.h"

#include <QFile>
#include <QXmlStreamReader>

#include "ui/toolkit/controls.h"
#include "ui/toolkit/paint_manager.h"

namespace tessel::ui {

CResourceManager* CResourceManager::GetInstance() {
  static CResourceManager manager;
  return &manager;
}

bool CResourceManager::LoadResource(const QString& xml, const QString& type) {
  (void)type;
  QFile file(CPaintManagerUI::ResolvePath(xml));
  if (!file.open(QIODevice::ReadOnly)) return false;
  QXmlStreamReader reader(&file);
  std::map<QString, QString> xmlIndex, images;
  QString section;
  while (!reader.atEnd()) {
    auto token = reader.readNext();
    if (token != QXmlStreamReader::StartElement) continue;
    const QString tag = reader.name().toString();
    if (tag.compare(QLatin1String("Res"), Qt::CaseInsensitive) == 0 && reader.attributes().hasAttribute(QLatin1String("name"))) {
      const QString name = reader.attributes().value(QLatin1String("name")).toString();
      const QString value = reader.attributes().value(QLatin1String("value")).toString();
      if (section.compare(QLatin1String("Image"), Qt::CaseInsensitive) == 0) images[name] = value;
      else xmlIndex[name] = value;
    } else if (tag.compare(QLatin1String("Res"), Qt::CaseInsensitive) != 0) {
      section = tag;
    }
  }
  if (reader.hasError()) return false;
  xml_ = std::move(xmlIndex);
  images_ = std::move(images);
  return true;
}

QString CResourceManager::GetXmlPath(const QString& id) const {
  auto it = xml_.find(id);
  return it == xml_.end() ? QString() : CPaintManagerUI::ResolvePath(it->second);
}

QString CResourceManager::GetImagePath(const QString& id) const {
  auto it = images_.find(id);
  return it == images_.end() ? QString() : CPaintManagerUI::ResolvePath(it->second);
}

bool CResourceManager::LoadLanguage(const QString& fileName) {
  QFile file(CPaintManagerUI::ResolvePath(fileName));
  if (!file.exists()) file.setFileName(CPaintManagerUI::ResolvePath(QStringLiteral("lan/") + fileName));
  if (!file.open(QIODevice::ReadOnly)) return false;
  QXmlStreamReader reader(&file);
  std::map<QString, QString> texts;
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    if (reader.name().compare(QLatin1String("Text"), Qt::CaseInsensitive) != 0) continue;
    const auto attrs = reader.attributes();
    const QString id = attrs.value(QLatin1String("id")).toString();
    if (id.isEmpty()) continue;
    if (attrs.hasAttribute(QLatin1String("value"))) texts[id] = attrs.value(QLatin1String("value")).toString();
    else texts[id] = reader.readElementText();
  }
  if (reader.hasError()) return false;
  texts_ = std::move(texts);
  return true;
}

QString CResourceManager::GetText(const QString& key, const QString& type) const {
  if (auto it = texts_.find(key); it != texts_.end()) return it->second;
  if (query_) {
    QString answer = query_->QueryControlText(key, type);
    if (!answer.isEmpty()) return answer;
  }
  return key;
}

void CResourceManager::ReloadText() {
  for (CPaintManagerUI* manager : CPaintManagerUI::GetAllManagers()) {
    if (CControlUI* root = manager->GetRoot()) {
      root->FindControl([](CControlUI* c) {
        c->ReloadText();
        return false;
      });
    }
  }
}

void CResourceManager::Release() {
  xml_.clear();
  images_.clear();
  texts_.clear();
  language_.clear();
  query_ = nullptr;
}

}  // namespace tessel::ui
