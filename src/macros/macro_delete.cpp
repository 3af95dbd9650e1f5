#include "macros/macro_delete.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

#include "config/document_records.h"
#include "config/function_codes.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"
#include "profiles/profile_list.h"

namespace tessel::macros {

namespace fs = std::filesystem;

namespace {

// The assignment of one "KeyList" entry; nullopt when the entry holds no
// integer "Assignment" (left alone).
std::optional<FunctionCode> assignmentOf(const Json::Value& entry) {
  if (!entry.isObject()) return std::nullopt;
  const Json::Value& a = entry["Assignment"];
  if (!a.isIntegral()) return std::nullopt;
  return decodeFunctionCode(a.asInt64());
}

template <typename Fn>
void forEachKeyEntry(Json::Value& document, Fn&& fn) {
  if (!document.isObject()) return;
  Json::Value& devices = document["Device"];
  if (!devices.isArray()) return;
  for (Json::Value& element : devices) {
    if (!element.isObject() || !element.isMember("KeyList")) continue;
    Json::Value& list = element["KeyList"];
    if (!list.isArray()) continue;
    for (Json::Value& entry : list) fn(entry);
  }
}

// The lock file the profile store takes for each of its operations.
class ProfileFolderLock {
 public:
  explicit ProfileFolderLock(const fs::path& folder) {
    fd_ = ::open((folder / ".ProfileList.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0)
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~ProfileFolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  ProfileFolderLock(const ProfileFolderLock&) = delete;
  ProfileFolderLock& operator=(const ProfileFolderLock&) = delete;

 private:
  int fd_ = -1;
};

struct Pending {
  fs::path path;
  Json::Value before;
  Json::Value after;
};
struct Plan {
  std::vector<Pending> pending;           // documents that change, in list order
  bool currentBinds = false;              // the current profile binds the macro
  std::optional<fs::path> currentPath;    // the current profile's document
  std::string refusal;                    // a profile file that cannot be read
};

Plan planFor(const fs::path& profileFolder, size_t index) {
  Plan plan;
  const fs::path listPath = profileFolder / profiles::kProfileListFile;
  const KeptRead listRead = readKeptJson(listPath, shape::object);
  if (listRead.unreadable()) {
    plan.refusal = listRead.message(listPath);
    return plan;
  }
  const profiles::ParsedList list = profiles::parseProfileList(listRead.value);
  for (size_t i = 0; i < list.entries.size(); ++i) {
    const std::string& uuid = list.entries[i].uuid;
    if (!profiles::isTimestampId(uuid)) continue;  // never turned into a path
    const fs::path path = profileFolder / (uuid + std::string(profiles::kDocumentExtension));
    const bool current = static_cast<int>(i) == list.select;
    if (current) plan.currentPath = path;
    KeptRead read = readKeptJson(path, [](const Json::Value& v) {
      return shape::objectWithOptionalArrayOfObjects(v, "Device");
    });
    // A profile we cannot read might bind the macro: renumbering the others
    // without it would leave it pointing at the wrong macro.
    if (read.unreadable()) {
      plan.refusal = read.message(path);
      return plan;
    }
    if (!read.usable()) continue;
    Json::Value document = std::move(read.value);
    if (current && bindsMacro(document, index)) plan.currentBinds = true;
    Json::Value changed = document;
    if (renumberMacroBindings(changed, index).any())
      plan.pending.push_back(Pending{path, std::move(document), std::move(changed)});
  }
  return plan;
}

}  // namespace

bool bindsMacro(const Json::Value& document, size_t index) {
  Json::Value copy = document;  // the walker takes a writable document
  bool found = false;
  forEachKeyEntry(copy, [&](Json::Value& entry) {
    const auto code = assignmentOf(entry);
    if (code && isMacroBinding(*code) && code->param1 == index) found = true;
  });
  return found;
}

BindingChanges renumberMacroBindings(Json::Value& document, size_t deleted) {
  BindingChanges changes;
  forEachKeyEntry(document, [&](Json::Value& entry) {
    const auto code = assignmentOf(entry);
    if (!code || !isMacroBinding(*code)) return;
    if (code->param1 == deleted) {
      const Json::Value& def = entry["DefaultAssignment"];
      entry["Assignment"] = def.isIntegral() ? encodeFunctionCode(decodeFunctionCode(def.asInt64())) : 0;
      ++changes.reset;
    } else if (code->param1 > deleted) {
      FunctionCode lowered = *code;
      lowered.param1 = static_cast<uint8_t>(code->param1 - 1);
      entry["Assignment"] = encodeFunctionCode(lowered);
      ++changes.renumbered;
    }
  });
  return changes;
}

MacroDeleteOutcome deleteMacro(MacroLibrary& library, const fs::path& profileFolder, size_t index,
                               const MacroDeleteQuestions& questions, const AtomicWriteHooks* hooks) {
  MacroDeleteOutcome out;
  library.load();
  if (library.damaged()) {
    out.message = library.refuseChange().message;
    return out;
  }
  if (index >= library.size()) {
    out.message = "there is no macro " + std::to_string(index);
    return out;
  }
  out.name = library.entries()[index].name;

  // Both questions come before any write, so that a "no" to either leaves
  // every file as it was.
  if (questions.confirmDelete && !questions.confirmDelete()) {
    out.status = MacroDeleteStatus::Cancelled;
    return out;
  }
  const Plan first = planFor(profileFolder, index);
  if (!first.refusal.empty()) {
    out.message = first.refusal + "; nothing was deleted";
    return out;
  }
  if (first.currentBinds && questions.confirmInUse && !questions.confirmInUse()) {
    out.status = MacroDeleteStatus::Cancelled;
    return out;
  }

  // The profiles are read again and written under the profile store's folder
  // lock, so that a profile changed while a question was open is not written
  // back from an older copy.
  ProfileFolderLock lock(profileFolder);
  Plan plan = planFor(profileFolder, index);
  if (!plan.refusal.empty()) {
    out.message = plan.refusal + "; nothing was deleted";
    return out;
  }
  auto& pending = plan.pending;
  auto rollback = [&](size_t written) {
    for (size_t i = 0; i < written; ++i) writeJsonFile(pending[i].path, pending[i].before);
  };
  for (size_t i = 0; i < pending.size(); ++i) {
    if (!writeJsonFile(pending[i].path, pending[i].after, hooks)) {
      rollback(i);
      out.message = "the profile \"" + pending[i].path.string() + "\" could not be written; nothing was deleted";
      return out;
    }
  }
  const LibraryResult removed = library.remove(index);
  if (!removed.ok()) {
    rollback(pending.size());
    out.message = removed.message;
    return out;
  }
  out.status = MacroDeleteStatus::Deleted;
  out.profilesChanged = pending.size();
  for (const auto& p : pending)
    if (plan.currentPath && p.path == *plan.currentPath) out.currentChanged = true;
  return out;
}

}  // namespace tessel::macros
