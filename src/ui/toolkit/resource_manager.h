#pragma once
// The skin's resource index ("res.xml") and the language texts.
#include <QString>
#include <map>

#include "ui/toolkit/defs.h"

namespace tessel::ui {

class CResourceManager {
 public:
  static CResourceManager* GetInstance();

  // Reads the resource index below the resource path. False when missing or
  // unreadable; the index then stays empty and names are taken as files.
  bool LoadResource(const QString& xml, const QString& type = QString());
  // Absolute path of a resource id ("XML_MAIN"), or empty.
  QString GetXmlPath(const QString& id) const;
  // Absolute path of an icon or image id ("107"), or empty.
  QString GetImagePath(const QString& id) const;

  void SetLanguage(const QString& language) { language_ = language; }
  QString GetLanguage() const { return language_; }
  // Replaces the text table with the file's texts (below the resource path,
  // or in its "lan/" folder). False when missing or unreadable; the previous
  // texts are kept then.
  bool LoadLanguage(const QString& file);
  // The text of a key: the language table, else the text query interface,
  // else the key itself.
  QString GetText(const QString& key, const QString& type = QString()) const;
  bool HasText(const QString& key) const { return texts_.count(key) != 0; }
  // Re-resolves the text keys of every control of every window.
  void ReloadText();
  void SetTextQueryInterface(IQueryControlText* query) { query_ = query; }
  void Release();

 private:
  std::map<QString, QString> xml_;
  std::map<QString, QString> images_;
  std::map<QString, QString> texts_;
  QString language_;
  IQueryControlText* query_ = nullptr;
};

}  // namespace tessel::ui
