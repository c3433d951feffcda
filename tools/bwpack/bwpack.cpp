// bwpack: builds installers and packages from an install script, and lists,
// extracts and verifies them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "HostFiles.h"
#include "common/CompressionManager.h"
#include "common/Errors.h"
#include "common/PackageLocation.h"
#include "common/PackageWriter.h"
#include "common/SolidIndex.h"
#include "common/SolidWriter.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"
#include "script/ScriptTargets.h"
#include "script/infreader.h"

namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 text, on Windows too (where a plain std::string would be
// read in the ANSI code page).
fs::path U8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }
std::string Text(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

const char kUsage[] =
    "Usage:\n"
    "  bwpack build SCRIPT [--source DIR] [--stub FILE] [--uninstaller FILE]\n"
    "               [--sign-command CMD] [--level fast|default|best]\n"
    "               [--compression zlib|lzma] -o OUT\n"
    "  bwpack list FILE [--raw]\n"
    "  bwpack extract FILE ENTRY -o OUT [--raw]\n"
    "  bwpack extract FILE --all -C DIR [--raw]\n"
    "  bwpack verify FILE [--raw]\n"
    "\n"
    "Commands:\n"
    "  build    pack SCRIPT as install.inf, then every entry named on the left of a\n"
    "           [files] line, and the [license] and [image] entries; with --stub the\n"
    "           package goes behind a copy of the stub (an installer), else it is\n"
    "           written alone\n"
    "  list     one line per entry: name, unpacked size, packed size (tab-separated)\n"
    "  extract  unpack one entry into OUT, or every entry below DIR\n"
    "  verify   unpack every entry and check its size and checksum\n"
    "\n"
    "Options:\n"
    "  --source DIR        folder holding the entries' files (default: the script's)\n"
    "  --stub FILE         installer program to put before the package\n"
    "  --uninstaller FILE  file packed as uninstall.exe when DIR has none (default:\n"
    "                      uninstall.exe beside bwpack, or the one built with it;\n"
    "                      the variable BWPACK_DEFAULT_UNINSTALLER overrides)\n"
    "  --sign-command CMD  sign uninstall.exe before packing it, then the finished\n"
    "                      installer: CMD runs in the shell with {} replaced by the\n"
    "                      quoted path of the file to sign in place; needs --stub\n"
    "  --level LEVEL       how hard to compress: fast, default or best (the default:\n"
    "                      the smallest installer; default packs several times\n"
    "                      faster, a few per cent larger). Entries up to 32 MiB\n"
    "                      are compressed with libdeflate where bwpack has it,\n"
    "                      larger ones with zlib; all cores work, and the output\n"
    "                      is the same whatever their number\n"
    "  --compression KIND  zlib (the default): each file its own zlib stream;\n"
    "                      lzma: the files in solid LZMA blocks of up to 128 MiB,\n"
    "                      programs with the x86 filter, files where LZMA gains\n"
    "                      under 5 % deflated (faster to install); much smaller\n"
    "                      installers, slower to pack (install.inf, the licence\n"
    "                      and the image stay zlib). Needs liblzma: not in the\n"
    "                      Windows bwpack\n"
    "  -o OUT              file to write\n"
    "  -C DIR              folder to extract into\n"
    "  --raw               FILE is a plain package starting at offset 0\n"
    "  -h, --help          show this text\n"
    "\n"
    "Signing, with osslsigncode on Linux:\n"
    "  bwpack build app/install.inf --stub setup-stub.exe -o setup.exe --sign-command \\\n"
    "    'osslsigncode sign -pkcs12 my.pfx -readpass pass.txt -h sha256 \\\n"
    "     -ts http://timestamp.digicert.com -in {} -out {}.signed && mv {}.signed {}'\n"
    "and with signtool on Windows (a certificate from the store):\n"
    "  bwpack build app\\install.inf --stub setup-stub.exe -o setup.exe --sign-command ^\n"
    "    \"signtool sign /a /fd SHA256 /td SHA256 /tr http://timestamp.digicert.com {}\"\n";

// Bad arguments: exit code 2 with the usage text.
struct TUsageError {
  std::string message;
};

// Anything else that fails: exit code 1 with the message.
struct TFailure : Exception {
  using Exception::Exception;
};

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// Letter case folded as the installer compares entry names.
std::string Folded(const std::string& s) { return FoldCase(s); }

struct TArgs {
  std::string command;
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // options with a value
  std::set<std::string> flags;                // options without one
  bool help = false;

  bool Has(const std::string& name) const { return values.count(name) || flags.count(name); }
  std::string Value(const std::string& name) const {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
  }
};

TArgs ParseArgs(const std::vector<std::string>& argv) {
  const int argc = static_cast<int>(argv.size());
  static const std::set<std::string> withValue = {"--source", "--stub",         "--uninstaller",
                                                  "-o",       "--sign-command", "--level",
                                                  "-C",       "--compression"};
  static const std::set<std::string> withoutValue = {"--raw", "--all"};
  TArgs args;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (!optionsEnded && (a == "-h" || a == "--help")) {
      args.help = true;
    } else if (!optionsEnded && a == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      std::string name = a, value;
      bool inlineValue = false;
      if (size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        inlineValue = true;
      }
      if (withValue.count(name)) {
        if (!inlineValue) {
          if (i + 1 >= argc) throw TUsageError{"option " + name + " needs a value"};
          value = argv[++i];
        }
        if (args.values.count(name)) throw TUsageError{"option " + name + " given twice"};
        args.values[name] = value;
      } else if (withoutValue.count(name) && !inlineValue) {
        args.flags.insert(name);
      } else {
        throw TUsageError{"unknown option " + a};
      }
    } else if (args.command.empty()) {
      args.command = a;
    } else {
      args.positional.push_back(a);
    }
  }
  return args;
}

// Accepts only the given options and the given count of positional arguments.
void Expect(const TArgs& args, size_t positional, const std::set<std::string>& allowed) {
  for (const auto& [name, value] : args.values)
    if (!allowed.count(name))
      throw TUsageError{"option " + name + " does not apply to " + args.command};
  for (const auto& name : args.flags)
    if (!allowed.count(name))
      throw TUsageError{"option " + name + " does not apply to " + args.command};
  if (args.positional.size() < positional)
    throw TUsageError{"missing arguments for " + args.command};
  if (args.positional.size() > positional)
    throw TUsageError{"unexpected argument " + Quoted(args.positional[positional])};
}

// A progress line on standard error, shown only on a terminal and only once
// the work has taken more than a moment.
class TProgressLine {
 public:
  explicit TProgressLine(std::string label)
      : label_(std::move(label)), enabled_(StderrIsTerminal()), start_(Clock::now()) {}
  ~TProgressLine() { Clear(); }

  void Update(uint64_t done, uint64_t total) {
    if (!enabled_) return;
    const auto now = Clock::now();
    if (now - start_ < std::chrono::milliseconds(500) ||
        (shown_ && now - last_ < std::chrono::milliseconds(100)))
      return;
    last_ = now;
    shown_ = true;
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    std::fprintf(stderr, "\r%s %3d%% (%llu of %llu MiB)", label_.c_str(), percent,
                 static_cast<unsigned long long>(done >> 20),
                 static_cast<unsigned long long>(total >> 20));
    std::fflush(stderr);
  }

  void Clear() {
    if (!shown_) return;
    std::fprintf(stderr, "\r%*s\r", 60, "");
    std::fflush(stderr);
    shown_ = false;
  }

 private:
  using Clock = std::chrono::steady_clock;
  std::string label_;
  bool enabled_;
  bool shown_ = false;
  Clock::time_point start_, last_;
};

// The temporary file a command writes before renaming it into place; removed
// unless Commit() succeeded.
class TTempOutput {
 public:
  explicit TTempOutput(const std::string& target, const std::string& suffix = ".bwpack-tmp")
      : target_(target), path_(target + suffix) {}
  ~TTempOutput() {
    if (!committed_) Platform().DeleteFileAt(path_);
  }
  const std::string& Path() const { return path_; }
  void Commit() {
    if (!ReplaceFileWith(path_, target_)) throw TFailure("cannot write " + target_);
    committed_ = true;
  }

 private:
  std::string target_, path_;
  bool committed_ = false;
};

std::string ReadWholeFile(const std::string& path) {
  std::unique_ptr<TFileStream> f = Platform().OpenFile(path, TFileMode::OpenRead);
  std::string data(static_cast<size_t>(f->Size()), '\0');
  data.resize(f->Read(data.data(), data.size()));
  return data;
}

// The file of an entry below dir: the name's components joined with "\" and
// "/" read as separators, matching letter case exactly or else ignoring it.
std::string ResolveSource(const std::string& dir, const std::string& name) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : name) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  if (parts.empty()) return {};

  std::error_code ec;
  fs::path exact = U8(dir);
  for (const std::string& p : parts) exact /= U8(p);
  if (fs::is_regular_file(exact, ec)) return Text(exact);

  fs::path current = U8(dir);
  for (const std::string& p : parts) {
    if (p == "." || p == ".." || fs::exists(current / U8(p), ec)) {
      current /= U8(p);
      continue;
    }
    // The first match in name order, so that the choice does not depend on
    // the order the file system lists a folder in.
    std::vector<std::string> matches;
    for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
      std::string candidate = Text(it->path().filename());
      if (Folded(candidate) == Folded(p)) matches.push_back(candidate);
    }
    if (matches.empty()) return {};
    current /= U8(*std::min_element(matches.begin(), matches.end()));
  }
  return fs::is_regular_file(current, ec) ? Text(current) : std::string();
}

// The uninstaller packed when neither the source folder nor --uninstaller
// has one: the one shipped beside bwpack, else the one this build made. The
// environment variable BWPACK_DEFAULT_UNINSTALLER, when set, replaces both
// (empty: no default at all).
std::string DefaultUninstaller() {
  if (const char* chosen = std::getenv("BWPACK_DEFAULT_UNINSTALLER")) return chosen;
  const std::string beside = Text(U8(Platform().ExeName()).parent_path() / "uninstall.exe");
  if (Platform().FileExists(beside)) return beside;
#ifdef BW_DEFAULT_UNINSTALLER
  if (Platform().FileExists(BW_DEFAULT_UNINSTALLER)) return BW_DEFAULT_UNINSTALLER;
#endif
  return {};
}

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

// Runs the --sign-command on path (what names the file in messages).
void SignFile(const std::string& command, const std::string& path, const std::string& what) {
  std::string line;
  for (size_t i = 0; i < command.size(); ++i) {
    if (command.compare(i, 2, "{}") == 0) {
      line += QuoteForShell(path);
      ++i;
    } else {
      line += command[i];
    }
  }
  std::fflush(stdout);
  const int code = RunShellCommand(line);
  if (code != 0)
    throw TFailure("cannot sign " + what + ": the sign command " +
                   (code < 0 ? std::string("did not run to its end")
                             : "exited with code " + std::to_string(code)));
  if (!Platform().FileExists(path))
    throw TFailure("cannot sign " + what + ": the sign command left no file at " + path);
}

// A signed stub would end up with the package behind its signature, where
// the installer refuses to look for it.
void ExpectUnsignedStub(const std::string& stub) {
  bool isSigned;
  try {
    isSigned = FindCertificateTable(*Platform().OpenFile(stub, TFileMode::OpenRead)).has_value();
  } catch (const std::exception& e) {
    throw TFailure("cannot read stub " + stub + ": " + e.what());
  }
  if (isSigned)
    throw TFailure("stub " + stub +
                   " is signed; use an unsigned one and sign the installer (--sign-command)");
}

std::unique_ptr<TCompressionManager> OpenPackage(const std::string& file, bool raw);
size_t VerifyEntries(TCompressionManager& package);

int Build(const TArgs& args) {
  Expect(
      args, 1,
      {"--source", "--stub", "--uninstaller", "--sign-command", "--level", "--compression", "-o"});
  if (!args.Has("-o")) throw TUsageError{"build needs -o OUT"};
  TPackLevel level = TPackLevel::Best;
  if (args.Has("--level")) {
    const std::string l = args.Value("--level");
    if (l == "fast")
      level = TPackLevel::Fast;
    else if (l == "default")
      level = TPackLevel::Default;
    else if (l != "best")
      throw TUsageError{"--level takes fast, default or best, not " + Quoted(l)};
  }
  const std::string compression = args.Has("--compression") ? args.Value("--compression") : "zlib";
  if (compression != "zlib" && compression != "lzma")
    throw TUsageError{"--compression takes zlib or lzma, not " + Quoted(compression)};
  const bool solid = compression == "lzma";
  if (solid && !SolidPackingAvailable())
    throw TFailure(
        "--compression lzma is not available in this bwpack: it needs liblzma, which its "
        "build lacks (Debian has it for Linux only); pack on Linux, or use --compression zlib");
  const std::string script = args.positional[0];
  const std::string out = args.Value("-o");
  const bool signing = args.Has("--sign-command");
  const std::string signCommand = args.Value("--sign-command");
  if (signing && !args.Has("--stub"))
    throw TUsageError{"--sign-command needs --stub: only an installer can be signed"};
  if (signing && signCommand.find("{}") == std::string::npos)
    throw TUsageError{"--sign-command needs {} where the path of the file to sign goes"};

  std::string text;
  try {
    text = ReadWholeFile(script);
  } catch (const std::exception& e) {
    throw TFailure("cannot read script " + script + ": " + e.what());
  }
  TINFReader reader;
  reader.LoadFromStream(text);
  std::unique_ptr<std::vector<std::string>> files = reader.GetSection("files");
  if (!files) throw TFailure("script " + script + " has no [files] section");
  std::string section, badLine, target;
  const char* why = "";
  if (FindTargetOutside(reader, section, badLine, target, &why))
    throw TFailure("script " + script + ": [" + section + "] line " + Quoted(badLine) +
                   ": target " + Quoted(target) + " cannot be used: " + why);
  // The installer reports itself damaged for any other scope.
  if (reader.SectionExists("scope")) {
    const std::string scope = Folded(TrimBlanks(reader.GetValue("scope")));
    if (scope != Folded("machine") && scope != Folded("user") && scope != Folded("choice"))
      throw TFailure("script " + script + ": [scope] " + Quoted(reader.GetValue("scope")) +
                     " is not machine, user or choice");
  }

  // Entry names in packing order, each once (as the installer looks them up:
  // letter case ignored as Windows does).
  std::vector<std::string> names;
  std::set<std::string> seen = {Folded("install.inf")};
  auto add = [&](const std::string& name) {
    if (seen.insert(Folded(name)).second) names.push_back(name);
  };
  for (const std::string& line : *files) {
    if (TrimBlanks(line).empty()) continue;
    std::string left, right;
    TINFReader::SplitValue(line, left, right);
    if (left.empty())
      throw TFailure("[files] line " + Quoted(line) + " names no entry (expected ENTRY;TARGET)");
    add(left);
  }
  for (const char* section : {"license", "image"}) {
    if (!reader.SectionExists(section)) continue;
    std::string name = reader.GetValue(section);
    if (TrimBlanks(name).empty()) throw TFailure("[" + std::string(section) + "] names no entry");
    add(name);
  }

  std::string sourceDir = args.Value("--source");
  if (sourceDir.empty()) {
    sourceDir = Text(U8(script).parent_path());
    if (sourceDir.empty()) sourceDir = ".";
  }
  if (!Platform().DirectoryExists(sourceDir))
    throw TFailure("source folder " + sourceDir + " not found");

  std::vector<TPackageItem> items;
  items.push_back({"install.inf", script, text});
  for (const std::string& name : names) {
    if (name.size() > kEntryNameMax)
      throw TFailure("entry " + Quoted(name) + ": name longer than 255 bytes (in UTF-8, " +
                     std::to_string(name.size()) + " bytes)");
    std::string path = ResolveSource(sourceDir, name);
    if (path.empty() && Folded(name) == "UNINSTALL.EXE") {
      path = args.Value("--uninstaller");
      if (path.empty()) path = DefaultUninstaller();
      if (!path.empty() && !Platform().FileExists(path))
        throw TFailure("entry " + Quoted(name) + ": uninstaller " + path + " not found");
    }
    if (path.empty())
      throw TFailure("entry " + Quoted(name) + ": no such file in " + sourceDir +
                     (Folded(name) == "UNINSTALL.EXE" ? " (give one with --uninstaller)" : ""));
    items.push_back({name, path, std::nullopt});
  }

  const std::string stub = args.Value("--stub");
  if (!stub.empty() && !Platform().FileExists(stub)) throw TFailure("stub " + stub + " not found");
  if (!stub.empty()) ExpectUnsignedStub(stub);

  // The uninstaller is signed in a copy, which is packed in its place. The
  // copies end in .exe for signers that go by the name.
  TTempOutput uninstallerCopy(out, ".bwpack-uninstall.exe");
  if (signing) {
    for (TPackageItem& item : items) {
      if (Folded(item.Name) != "UNINSTALL.EXE") continue;
      std::error_code ec;
      fs::copy_file(U8(item.SourcePath), U8(uninstallerCopy.Path()),
                    fs::copy_options::overwrite_existing, ec);
      if (ec) throw TFailure("cannot copy " + item.SourcePath + ": " + ec.message());
      SignFile(signCommand, uninstallerCopy.Path(), "uninstall.exe");
      item.SourcePath = uninstallerCopy.Path();
    }
  }

  // The solid layout: every file into the blocks but the script, the licence
  // and the image, which start-up reads as ordinary entries.
  std::vector<std::string> blockFiles;
  struct TRemoveAll {
    std::vector<std::string>& paths;
    ~TRemoveAll() {
      for (const std::string& p : paths) Platform().DeleteFileAt(p);
    }
  } removeBlocks{blockFiles};
  if (solid) {
    std::set<std::string> plain = {Folded("install.inf")};
    for (const char* section : {"license", "image"})
      if (reader.SectionExists(section)) plain.insert(Folded(reader.GetValue(section)));
    std::vector<TPackageItem> kept, packed;
    for (TPackageItem& item : items)
      (plain.count(Folded(item.Name)) ? kept : packed).push_back(std::move(item));
    TProgressLine progress("bwpack: compressing");
    TSolidPackOptions options;
    options.TempBase = out + ".bwpack-tmp";
    options.OnProgress = [&](uint64_t done, uint64_t total) { progress.Update(done, total); };
    std::vector<TPackageItem> blocks;
    try {
      blocks = PackSolid(packed, options, blockFiles);
    } catch (const std::exception& e) {
      throw TFailure(e.what());
    }
    items = std::move(kept);
    for (TPackageItem& item : blocks) items.push_back(std::move(item));
  }

  TTempOutput temp(out, signing ? ".bwpack-tmp.exe" : ".bwpack-tmp");
  TProgressLine progress("bwpack: packing");
  TPackageWriterOptions options;
  options.HostPath = stub;
  options.Level = level;
  options.OnProgress = [&](uint64_t done, uint64_t total) { progress.Update(done, total); };
  TPackageWriteResult result;
  try {
    result = WritePackage(temp.Path(), items, options);
  } catch (const TFailure&) {
    throw;
  } catch (const std::exception& e) {
    throw TFailure(e.what());
  }
  progress.Clear();
  if (signing) {
    SignFile(signCommand, temp.Path(), "the installer");
    try {
      VerifyEntries(*OpenPackage(temp.Path(), false));
    } catch (const TFailure& e) {
      throw TFailure(std::string("the signed installer does not verify: ") + e.what());
    }
  }
  if (!stub.empty()) CopyExecutableBit(stub, temp.Path());
  temp.Commit();

  uint64_t unpacked = 0;
  for (const TPackageEntry& e : result.Entries) unpacked += e.UnpackedSize;
  std::error_code ec;
  std::printf("%s: %zu entries, %llu bytes packed into %llu\n", out.c_str(), result.Entries.size(),
              static_cast<unsigned long long>(unpacked),
              static_cast<unsigned long long>(fs::file_size(U8(out), ec)));
  return 0;
}

// Opens a package; without --raw it must have a trailer that points inside
// (at the end of the file, or before the signature of a signed one).
std::unique_ptr<TCompressionManager> OpenPackage(const std::string& file, bool raw) {
  try {
    if (!raw && !LocatePackage(*Platform().OpenFile(file, TFileMode::OpenRead)))
      throw TFailure(file + " has no package trailer (use --raw for a plain package)");
    return std::make_unique<TCompressionManager>(file, false, true, !raw);
  } catch (const TFailure&) {
    throw;
  } catch (const std::exception& e) {
    throw TFailure("cannot open " + file + ": " + e.what());
  }
}

int List(const TArgs& args) {
  Expect(args, 1, {"--raw"});
  auto package = OpenPackage(args.positional[0], args.Has("--raw"));
  for (const TPackageEntry& e : package->Entries())
    std::printf("%s\t%u\t%u\n", e.GetName().c_str(), e.UnpackedSize, e.PackedSize);
  // The files of solid blocks have no packed size of their own.
  if (const TSolidIndex* index = package->SolidIndex())
    for (const TSolidFile& f : index->Files) std::printf("%s\t%u\tsolid\n", f.Name.c_str(), f.Size);
  return 0;
}

// Discards what is written; verify only needs the checks of the chunk loop.
class TNullStream final : public TFileStream {
 public:
  int64_t Size() override { return size_; }
  int64_t Position() override { return size_; }
  void Seek(int64_t) override {}
  size_t Read(void*, size_t) override { return 0; }
  void Write(const void*, size_t count) override { size_ += static_cast<int64_t>(count); }
  void Close() override {}

 private:
  int64_t size_ = 0;
};

// Unpacks one entry into path through a temporary file.
void ExtractOne(TCompressionManager& package, const std::string& name, const std::string& path) {
  TTempOutput temp(path);
  TProgressLine progress("bwpack: extracting " + name);
  package.OnProgress = [&](TCompressionManager*, int32_t position, int32_t total) {
    progress.Update(static_cast<uint64_t>(position), static_cast<uint64_t>(total));
  };
  try {
    package.ExtractToFile(name, temp.Path());
  } catch (const EInOutError& e) {
    throw TFailure("entry " + Quoted(name) + ": " + e.what());
  } catch (const std::exception& e) {
    throw TFailure("entry " + Quoted(name) + " is damaged: " + e.what());
  }
  progress.Clear();
  temp.Commit();
}

// An entry name as a relative path below the output folder; refuses names
// that would leave it.
fs::path SafeRelativePath(const std::string& name) {
  fs::path rel;
  std::string part;
  auto flush = [&] {
    if (!part.empty() && part != ".") rel /= U8(part);
    part.clear();
  };
  if (name.empty()) throw TFailure("entry " + Quoted(name) + ": refusing an empty name");
  // The installer's own rule for targets: nothing that leaves the folder or
  // that Windows would store under another name.
  if (const char* why = TargetUnsafeBecause(name))
    throw TFailure("entry " + Quoted(name) + ": refusing the name: " + why);
  for (char c : name) {
    if (c == '\\' || c == '/')
      flush();
    else
      part += c;
  }
  flush();
  if (rel.empty()) throw TFailure("entry " + Quoted(name) + ": refusing an empty name");
  return rel;
}

int Extract(const TArgs& args) {
  const bool raw = args.Has("--raw");
  if (args.Has("--all")) {
    Expect(args, 1, {"--all", "-C", "--raw"});
    if (!args.Has("-C")) throw TUsageError{"extract --all needs -C DIR"};
    auto package = OpenPackage(args.positional[0], raw);
    const fs::path dir = U8(args.Value("-C"));
    if (!Platform().ForceDirectories(Text(dir))) throw TFailure("cannot create " + Text(dir));
    // Entries, then the files of solid blocks, numbered as FindEntry does;
    // the blocks and their index are not files of their own.
    std::vector<std::string> names;
    for (const TPackageEntry& e : package->Entries()) names.push_back(e.GetName());
    const TSolidIndex* index = package->SolidIndex();
    if (index)
      for (const TSolidFile& f : index->Files) names.push_back(f.Name);
    for (size_t i = 0; i < names.size(); ++i) {
      const std::string& name = names[i];
      // Only the entry a lookup finds: the last of its name.
      if (package->FindEntry(name) != static_cast<int32_t>(i)) continue;
      if (index && (name == kSolidIndexName || name == kSolidBlockName)) continue;
      // Written under its UTF-8 name, also when an older bwpack stored it in ANSI.
      const fs::path target = dir / SafeRelativePath(TextToUtf8(name));
      if (!Platform().ForceDirectories(Text(target.parent_path())))
        throw TFailure("cannot create " + Text(target.parent_path()));
      ExtractOne(*package, name, Text(target));
    }
    return 0;
  }
  Expect(args, 2, {"-o", "--raw"});
  if (!args.Has("-o")) throw TUsageError{"extract needs -o OUT (or --all -C DIR)"};
  auto package = OpenPackage(args.positional[0], raw);
  const std::string name = args.positional[1];
  if (package->FindEntry(name) < 0)
    throw TFailure("no entry " + Quoted(name) + " in " + args.positional[0]);
  ExtractOne(*package, name, args.Value("-o"));
  return 0;
}

// The number of the block where file I starts.
size_t BlockOf(const TSolidIndex& index, size_t i) {
  size_t b = 0;
  while (b + 1 < index.Blocks.size() && index.Blocks[b + 1].Offset <= index.Files[i].Offset) ++b;
  return b;
}

// Unpacks every entry, checking the chain of headers, sizes and checksums;
// raises TFailure naming the first damaged entry. Returns the entry count.
size_t VerifyEntries(TCompressionManager& package) {
  const auto& entries = package.Entries();
  uint64_t total = 0, done = 0;
  for (const TPackageEntry& e : entries) total += e.UnpackedSize;
  TProgressLine progress("bwpack: verifying");
  package.OnProgress = [&](TCompressionManager*, int32_t position, int32_t) {
    progress.Update(done + static_cast<uint64_t>(position), total);
  };
  int64_t headerPos = 0;  // package-relative
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPackageEntry& e = entries[i];
    auto damaged = [&](const std::string& why) {
      progress.Clear();
      return TFailure("entry " + Quoted(e.GetName()) + " (number " + std::to_string(i + 1) +
                      ") is damaged: " + why);
    };
    const int64_t expected = headerPos + static_cast<int64_t>(kEntryHeaderSize);
    if (e.DataOffset != expected)
      throw damaged("its data offset is " + std::to_string(e.DataOffset) + ", expected " +
                    std::to_string(expected));
    // A block is checked through the files it holds, below.
    const bool block = package.SolidIndex() && e.GetName() == kSolidBlockName;
    TNullStream sink;
    try {
      if (!block) package.ExtractEntry(static_cast<int32_t>(i), sink);
    } catch (const std::exception& ex) {
      throw damaged(ex.what());
    }
    if (!block) done += e.UnpackedSize;  // counted with its files
    headerPos = expected + e.PackedSize;
  }
  // Each file of the blocks: its content to the end of its block's stream,
  // and its CRC-32.
  if (const TSolidIndex* index = package.SolidIndex()) {
    for (size_t i = 0; i < index->Files.size(); ++i) {
      TNullStream sink;
      try {
        package.ExtractEntry(static_cast<int32_t>(entries.size() + i), sink);
      } catch (const std::exception& ex) {
        progress.Clear();
        throw TFailure("file " + Quoted(index->Files[i].Name) + " in block " +
                       std::to_string(BlockOf(*index, i) + 1) + " is damaged: " + ex.what());
      }
      done += index->Files[i].Size;
    }
  }
  progress.Clear();
  // The installer refuses a package that lacks an entry its script names;
  // say so here rather than on the user's machine.
  if (package.FindEntry("install.inf") >= 0) {
    std::string text;
    package.ExtractToString("install.inf", text);
    TINFReader reader;
    reader.LoadFromStream(text);
    for (const std::string& name : ScriptEntryNames(reader))
      if (package.FindEntry(name) < 0)
        throw TFailure("entry " + Quoted(name) + ", named by install.inf, is missing");
  }
  return entries.size();
}

int Verify(const TArgs& args) {
  Expect(args, 1, {"--raw"});
  auto package = OpenPackage(args.positional[0], args.Has("--raw"));
  const size_t count = VerifyEntries(*package);
  if (const TSolidIndex* index = package->SolidIndex())
    std::printf("OK %zu entries, %zu files in %zu blocks\n", count, index->Files.size(),
                index->Blocks.size());
  else
    std::printf("OK %zu entries\n", count);
  return 0;
}

int Run(const std::vector<std::string>& argv) {
  TArgs args = ParseArgs(argv);
  if (args.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.command.empty()) throw TUsageError{"no command given"};
  if (args.command == "build") return Build(args);
  if (args.command == "list") return List(args);
  if (args.command == "extract") return Extract(args);
  if (args.command == "verify") return Verify(args);
  throw TUsageError{"unknown command " + Quoted(args.command)};
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {  // Unicode arguments (linked with -municode)
#else
int main(int argc, char** argv) {
#endif
  try {
    return Run(CommandLineArgs(argc, argv));
  } catch (const TUsageError& e) {
    std::fprintf(stderr, "bwpack: %s\n\n%s", e.message.c_str(), kUsage);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bwpack: %s\n", e.what());
    return 1;
  }
}
