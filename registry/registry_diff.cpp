#include "registry/registry_diff.h"

#include <algorithm>

#include "platform/collate.h"
#include "registry/memory_registry.h"

namespace vindra::registry {
namespace {

using Index = CompactRegistry::Index;
using Value = CompactRegistry::Value;
constexpr Index kNone = CompactRegistry::kNone;

// "*" stands for any run of characters (both texts folded).
bool GlobMatches(std::string_view pattern, std::string_view text) {
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Sorted as the exporter sorts names: the empty name first, then the
// platform's order.
bool SortsBefore(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return a.empty() && !b.empty();
  return platform::CompareTextIgnoreCase(a, b) < 0;
}

// One entry of a key's merged children.
struct ChildChange {
  Index before = kNone;
  Index after = kNone;
  std::string_view name;  // AFTER's spelling when the key is in AFTER
};

class Comparison {
 public:
  Comparison(const CompactRegistry& before, const CompactRegistry& after, const DiffRequest& request, DiffSink& sink)
      : before_(before), after_(after), request_(request), sink_(sink) {}

  DiffCounts Run() {
    for (const RootedKeyPath& top : request_.keys) CompareTop(top);
    return counts_;
  }

 private:
  // --- Where a key stands ----------------------------------------------------

  enum class Standing { Compared, Noise, Excluded };

  // The key at the top of `components_` (its own name last).
  Standing StandingOf(RootKey root) const {
    if (request_.excluded && request_.excluded->MatchesExactly(root, components_)) return Standing::Excluded;
    if (request_.noise && request_.noise->MatchesExactly(root, components_)) return Standing::Noise;
    return Standing::Compared;
  }

  // --- Counting (first pass) -----------------------------------------------

  // Counts a whole tree of one side as added or deleted (noise keys beneath
  // it as noise; excluded ones not at all).
  void CountTree(const CompactRegistry& side, Index key, RootKey root, bool added, bool noise) {
    const std::size_t values = side.KeyAt(key).valueCount;
    if (noise) {
      counts_.noise += 1 + values;
    } else if (added) {
      counts_.keysAdded += 1;
      counts_.valuesAdded += values;
    } else {
      counts_.keysDeleted += 1;
      counts_.valuesDeleted += values;
    }
    for (Index child : side.Children(key)) {
      components_.push_back(side.KeyAt(child).folded);
      const Standing standing = StandingOf(root);
      if (standing != Standing::Excluded) CountTree(side, child, root, added, noise || standing == Standing::Noise);
      components_.pop_back();
    }
  }

  // Calls `visit(before, after)` for the values of key `b` of before_ and
  // key `a` of after_, merged by folded name; a value on one side only has
  // null for the other.
  template <typename Visit>
  void MergeValues(Index b, Index a, Visit&& visit) const {
    const std::span<const Value> bv = before_.Values(b);
    const std::span<const Value> av = after_.Values(a);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < bv.size() || j < av.size()) {
      const int order = i == bv.size() ? 1 : j == av.size() ? -1 : CompactRegistry::CompareFolded(bv[i], av[j]);
      visit(order <= 0 ? &bv[i] : nullptr, order >= 0 ? &av[j] : nullptr);
      if (order <= 0) ++i;
      if (order >= 0) ++j;
    }
  }

  // The same for the sub-keys of `b` and `a`; kNone stands for the missing side.
  template <typename Visit>
  void MergeSubKeys(Index b, Index a, Visit&& visit) {
    const std::span<const Index> bc = before_.Children(b);
    const std::span<const Index> ac = after_.Children(a);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < bc.size() || j < ac.size()) {
      const int order = i == bc.size()   ? 1
                        : j == ac.size() ? -1
                                         : before_.KeyAt(bc[i]).folded.compare(after_.KeyAt(ac[j]).folded);
      const Index bk = order <= 0 ? bc[i++] : kNone;
      const Index ak = order >= 0 ? ac[j++] : kNone;
      visit(bk, ak);
    }
  }

  // Compares a key in both registries; true when something is to be written
  // at or beneath it. Marks such keys in changed_.
  bool Scan(Index b, Index a, RootKey root, bool noise) {
    bool changed = false;
    // Values, merged by folded name.
    MergeValues(b, a, [&](const Value* bv, const Value* av) {
      std::size_t* counter = !av                  ? &counts_.valuesDeleted
                             : !bv                ? &counts_.valuesAdded
                             : !SameValue(*bv, *av) ? &counts_.valuesChanged
                                                  : nullptr;
      if (!counter) return;
      if (noise) {
        ++counts_.noise;
      } else {
        ++*counter;
        changed = true;
      }
    });
    // Sub-keys, merged by folded name.
    MergeSubKeys(b, a, [&](Index bk, Index ak) {
      components_.push_back(bk != kNone ? before_.KeyAt(bk).folded : after_.KeyAt(ak).folded);
      const Standing standing = StandingOf(root);
      if (standing != Standing::Excluded) {
        const bool childNoise = noise || standing == Standing::Noise;
        if (bk != kNone && ak != kNone) {
          if (Scan(bk, ak, root, childNoise)) changed = true;
        } else {
          CountTree(bk != kNone ? before_ : after_, bk != kNone ? bk : ak, root, ak != kNone, childNoise);
          if (!childNoise) changed = true;
        }
      }
      components_.pop_back();
    });
    if (changed) changed_[a] = true;
    return changed;
  }

  // --- Reporting (second pass) ---------------------------------------------

  std::vector<const Value*> SortedValues(std::span<const Value> values) const {
    std::vector<const Value*> sorted;
    sorted.reserve(values.size());
    for (const Value& v : values) sorted.push_back(&v);
    SortValues(sorted);
    return sorted;
  }

  static void SortValues(std::vector<const Value*>& values) {
    std::stable_sort(values.begin(), values.end(),
                     [](const Value* x, const Value* y) { return SortsBefore(x->name(), y->name()); });
  }

  static std::string SubPath(const std::string& path, std::string_view name) {
    std::string sub = path;
    if (!sub.empty()) sub.push_back('\\');
    sub.append(name);
    return sub;
  }

  // A key new in AFTER with everything beneath it that is not left out.
  void ReportAdded(Index a, RootKey root, const std::string& path) {
    sink_.AddedKey(root, path, SortedValues(after_.Values(a)));
    std::vector<ChildChange> children;
    for (Index child : after_.Children(a)) {
      components_.push_back(after_.KeyAt(child).folded);
      if (StandingOf(root) == Standing::Compared) children.push_back({kNone, child, after_.KeyAt(child).name});
      components_.pop_back();
    }
    ReportChildren(children, root, path);
  }

  void ReportChildren(std::vector<ChildChange>& children, RootKey root, const std::string& path) {
    std::stable_sort(children.begin(), children.end(),
                     [](const ChildChange& x, const ChildChange& y) { return SortsBefore(x.name, y.name); });
    for (const ChildChange& child : children) {
      components_.push_back(child.after != kNone ? after_.KeyAt(child.after).folded : before_.KeyAt(child.before).folded);
      const std::string childPath = SubPath(path, child.name);
      if (child.before == kNone) {
        ReportAdded(child.after, root, childPath);
      } else if (child.after == kNone) {
        sink_.DeletedKey(root, childPath);
      } else {
        Report(child.before, child.after, root, childPath);
      }
      components_.pop_back();
    }
  }

  // A key in both that has changes at or beneath it.
  void Report(Index b, Index a, RootKey root, const std::string& path) {
    std::vector<const Value*> set;
    std::vector<const Value*> gone;
    MergeValues(b, a, [&](const Value* bv, const Value* av) {
      if (!av) {
        gone.push_back(bv);
      } else if (!bv || !SameValue(*bv, *av)) {
        set.push_back(av);
      }
    });
    if (!set.empty() || !gone.empty()) {
      SortValues(set);
      SortValues(gone);
      sink_.ChangedValues(root, path, set, gone);
    }
    std::vector<ChildChange> children;
    MergeSubKeys(b, a, [&](Index bk, Index ak) {
      if (bk != kNone && ak != kNone && !changed_[ak]) return;
      components_.push_back(bk != kNone ? before_.KeyAt(bk).folded : after_.KeyAt(ak).folded);
      const bool compared = StandingOf(root) == Standing::Compared;
      components_.pop_back();
      if (!compared) return;
      children.push_back({bk, ak, ak != kNone ? after_.KeyAt(ak).name : before_.KeyAt(bk).name});
    });
    ReportChildren(children, root, path);
  }

  // --- The keys of the request -----------------------------------------------

  void CompareTop(const RootedKeyPath& top) {
    const Index b = before_.FindKey(top.root, top.path);
    const Index a = after_.FindKey(top.root, top.path);
    // The top's own components, folded, and whether it or a key above it is left out.
    topNames_.clear();
    for (std::string_view part : SplitKeyPath(top.path)) topNames_.push_back(FoldNameCase(part));
    components_.clear();
    bool noise = false;
    for (const std::string& name : topNames_) {
      components_.push_back(name);
      const Standing standing = StandingOf(top.root);
      if (standing == Standing::Excluded) return;
      noise = noise || standing == Standing::Noise;
    }
    if (b == kNone && a == kNone) return;
    if (b == kNone || a == kNone) {
      CountTree(b != kNone ? before_ : after_, b != kNone ? b : a, top.root, a != kNone, noise);
      if (noise) return;
      if (a != kNone) {
        ReportAdded(a, top.root, after_.PathOf(a));
      } else {
        sink_.DeletedKey(top.root, before_.PathOf(b));
      }
      return;
    }
    if (changed_.empty()) changed_.assign(after_.KeyRecordCount(), false);
    if (Scan(b, a, top.root, noise) && !noise) Report(b, a, top.root, after_.PathOf(a));
  }

  const CompactRegistry& before_;
  const CompactRegistry& after_;
  const DiffRequest& request_;
  DiffSink& sink_;
  DiffCounts counts_;
  std::vector<std::string_view> components_;
  std::vector<std::string> topNames_;
  std::vector<bool> changed_;
};

}  // namespace

bool SameValue(const CompactRegistry::Value& a, const CompactRegistry::Value& b) {
  return a.type == b.type && a.data() == b.data();
}

bool KeyPatternList::Add(std::string_view pattern) {
  const std::optional<RootedKeyPath> key = ParseRootedKeyPath(pattern);
  if (!key) return false;
  return Add(key->root, key->path);
}

bool KeyPatternList::Add(RootKey root, std::string_view path) {
  Pattern pattern;
  pattern.root = root;
  for (std::string_view part : SplitKeyPath(path)) pattern.components.push_back(FoldNameCase(part));
  patterns_.push_back(std::move(pattern));
  return true;
}

void KeyPatternList::AddExact(RootKey root, std::string_view path) {
  Add(root, path);
  patterns_.back().exact = true;
}

bool KeyPatternList::MatchesIn(RootKey root, const std::vector<std::string_view>& components,
                               std::size_t first) const {
  const std::size_t depth = components.size() - first;
  for (const Pattern& pattern : patterns_) {
    if (pattern.root != root || pattern.components.size() != depth) continue;
    bool match = true;
    for (std::size_t i = 0; i < depth && match; ++i) {
      match = pattern.exact ? pattern.components[i] == components[first + i]
                            : GlobMatches(pattern.components[i], components[first + i]);
    }
    if (match) return true;
  }
  return false;
}

bool KeyPatternList::MatchesExactly(RootKey root, const std::vector<std::string_view>& foldedComponents) const {
  if (MatchesIn(root, foldedComponents, 0)) return true;
  // Each user's key below HKEY_USERS holds what HKEY_CURRENT_USER shows.
  return root == kHkeyUsers && foldedComponents.size() > 1 && MatchesIn(kHkeyCurrentUser, foldedComponents, 1);
}

const std::vector<std::string_view>& BuiltInNoiseKeys() {
  static const std::vector<std::string_view> keys = {
      // Random-number seeds, rewritten at every start.
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\RNG",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\RNG",
      // The prefetcher and the boot's own bookkeeping.
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Prefetcher",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\*\\Control\\Session Manager\\Memory Management\\PrefetchParameters",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\*\\Control\\Session Manager\\AppCompatCache",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Reliability",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\BITS",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\WBEM\\CIMOM",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\SQMClient",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update\\Results",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\*\\Services\\bam",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\*\\Services\\SharedAccess\\Epoch",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\*\\Services\\W32Time\\SecureTimeLimits",
      // Time-zone data the system recomputes, network leases, mounted drives.
      "HKEY_LOCAL_MACHINE\\SYSTEM\\*\\Control\\TimeZoneInformation",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\*\\Services\\Tcpip\\Parameters\\Interfaces",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\MountedDevices",
      // Whatever program ran last.
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\DirectDraw\\MostRecentApplication",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Direct3D\\MostRecentApplication",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Tracing",
      // Explorer: what the user ran, opened and typed, and where windows stood.
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\*MRU",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\WordWheelQuery",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Streams",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SessionInfo",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MountPoints2",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FeatureUsage",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TrayNotify",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartPage",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartPage2",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\*\\OpenWithList",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\CloudStore",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\Shell\\BagMRU",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\Shell\\Bags",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam\\BagMRU",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam\\Bags",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache",
      "HKEY_CURRENT_USER\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU",
      "HKEY_CURRENT_USER\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags",
      "HKEY_CURRENT_USER\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
      "HKEY_CLASSES_ROOT\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU",
      "HKEY_CLASSES_ROOT\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags",
      "HKEY_CLASSES_ROOT\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Search Assistant\\ACMru",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Player\\Recent*",
      // The log-on session itself.
      "HKEY_CURRENT_USER\\SessionInformation",
      "HKEY_CURRENT_USER\\Volatile Environment",
  };
  return keys;
}

DiffCounts CompareRegistries(const CompactRegistry& before, const CompactRegistry& after, const DiffRequest& request,
                             DiffSink& sink) {
  return Comparison(before, after, request, sink).Run();
}

}  // namespace vindra::registry
