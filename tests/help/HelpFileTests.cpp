// The compiled help file: read back through its own directory and records, then opened by
// F1 in the real program, by a context number, and followed along a jump in the viewer.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"

namespace {

// The build puts the help file beside the program, one folder above the tests.
const char* const kHelpFile = "..\\Mirovane.hlp";
const char* const kProgram = "..\\Mirovane.exe";
const char* const kTitle = "Varnholt Glyph Gatherer Help";

// The viewer's hash of a context name, written out independently of the compiler.
int32_t ContextHash(const std::string& name) {
  uint32_t h = 0;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
    uint32_t v = u >= 'A' && u <= 'Z' ? u - 'A' + 0x11 : u >= '1' && u <= '9' ? u - '0' : u == '0' ? 0x0A
               : u == '.' ? 0x0C : 0x0D;
    h = h * 43 + v;
  }
  return static_cast<int32_t>(h);
}

struct Paragraph {
  std::string text;
  std::vector<int32_t> jumps;
};

struct Topic {
  std::string title;
  int32_t offset = 0;  // character offset, as the context map gives it
  std::vector<Paragraph> paragraphs;
  std::string Text() const {
    std::string all;
    for (const auto& p : paragraphs) all += p.text + "\n";
    return all;
  }
};

// A small reader of the WinHelp file: internal directory, |SYSTEM, |CONTEXT, |CTXOMAP, |TOPIC.
class HelpReader {
 public:
  explicit HelpReader(const char* path) {
    std::ifstream f(path, std::ios::binary);
    data_.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  bool Loaded() const { return data_.size() > 16 && U32(0) == 0x00035F3F; }

  uint32_t U32(size_t at) const { return at + 4 <= data_.size() ? Get<uint32_t>(at) : 0; }
  uint16_t U16(size_t at) const { return at + 2 <= data_.size() ? Get<uint16_t>(at) : 0; }
  std::string Str(size_t at) const { return at < data_.size() ? std::string(&data_[at], strnlen(&data_[at], data_.size() - at)) : ""; }

  // Name -> offset of the file's data (after its 9-byte file header).
  std::map<std::string, size_t> Directory() const {
    std::map<std::string, size_t> files;
    size_t tree = U32(4) + 9;
    if (U16(tree) != 0x293B || U16(tree + 32) != 1) return files;  // one level: the root is a leaf
    size_t page = tree + 38 + U16(tree + 4) * U16(tree + 26);
    size_t at = page + 8;
    for (int i = 0; i < static_cast<int16_t>(U16(page + 2)) && at < data_.size(); ++i) {
      std::string name = Str(at);
      at += name.size() + 1;
      files[name] = U32(at) + 9;
      at += 4;
    }
    return files;
  }

  // Records of a one-level B+ tree with fixed 8-byte entries (|CONTEXT: hash, offset).
  std::map<int32_t, int32_t> LongPairs(size_t tree) const {
    std::map<int32_t, int32_t> out;
    size_t page = tree + 38 + U16(tree + 4) * U16(tree + 26);
    for (int i = 0; i < static_cast<int16_t>(U16(page + 2)); ++i)
      out[static_cast<int32_t>(U32(page + 8 + 8 * i))] = static_cast<int32_t>(U32(page + 12 + 8 * i));
    return out;
  }

  // Walks the chain of topic links from the first one.
  std::vector<Topic> Topics(size_t topic, size_t size) const {
    std::vector<Topic> topics;
    auto at = [&](uint32_t pos) { return topic + (pos / 0x4000) * 4096 + pos % 0x4000; };
    uint32_t pos = U32(topic + 4);
    for (int guard = 0; pos != 0xFFFFFFFF && at(pos) < topic + size && guard < 10000; ++guard) {
      size_t link = at(pos);
      uint32_t block_size = U32(link), len2 = U32(link + 4), len1 = U32(link + 16);
      uint8_t type = static_cast<uint8_t>(data_[link + 20]);
      const char* d2 = &data_[link + len1];
      if (type == 0x02) {
        topics.emplace_back();
        topics.back().title.assign(d2, strnlen(d2, len2));
        topics.back().offset = static_cast<int32_t>((pos / 0x4000) * 0x8000);
      } else if (type == 0x20 && !topics.empty() && block_size == len1 + len2) {
        Paragraph p;
        for (uint32_t i = 0; i < len2; ++i)
          if (d2[i]) p.text += d2[i];
        p.jumps = Jumps(link + 21, link + len1);
        topics.back().paragraphs.push_back(p);
      }
      pos = U32(link + 12);
    }
    return topics;
  }

 private:
  template <class T>
  T Get(size_t at) const {
    T v;
    std::memcpy(&v, &data_[at], sizeof v);
    return v;
  }
  // The jump targets (hashes) among a paragraph's formatting commands.
  std::vector<int32_t> Jumps(size_t p, size_t end) const {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(data_[i]); };
    p += (byte(p) & 1) ? 4 : 2;  // text size
    p += (byte(p) & 1) ? 2 : 1;  // text length
    uint16_t bits = U16(p + 4);
    p += 6;
    for (uint16_t b = 0x0002; b <= 0x0040; b <<= 1)
      if (bits & b) p += (byte(p) & 1) ? 2 : 1;
    if (bits & 0x0200) {
      int tabs = (byte(p) & 1) ? U16(p) / 2 - 0x4000 : byte(p) / 2 - 0x40;
      p += (byte(p) & 1) ? 2 : 1;
      for (int i = 0; i < tabs; ++i) p += (byte(p) & 1) ? 2 : 1;
    }
    std::vector<int32_t> jumps;
    while (p < end && byte(p) != 0xFF) {
      uint8_t c = byte(p++);
      if (c == 0x80) p += 2;
      else if (c == 0xE3) jumps.push_back(static_cast<int32_t>(U32(p))), p += 4;
      else if (c != 0x82 && c != 0x83 && c != 0x89) return {INT32_MIN};  // not written by our compiler
    }
    return jumps;
  }
  std::vector<char> data_;
};

const Topic* TopicAt(const std::vector<Topic>& topics, int32_t offset) {
  for (const auto& t : topics)
    if (t.offset == offset) return &t;
  return nullptr;
}

TEST(HelpFile, ReadsBackWithTitleContextsMapAndTopics) {
  HelpReader hlp(kHelpFile);
  ASSERT_TRUE(hlp.Loaded()) << kHelpFile;
  auto files = hlp.Directory();
  for (const char* name : {"|SYSTEM", "|TOPIC", "|CONTEXT", "|CTXOMAP", "|FONT", "|KWBTREE", "|KWDATA"})
    ASSERT_TRUE(files.count(name)) << name;

  size_t sys = files["|SYSTEM"];
  EXPECT_EQ(hlp.U16(sys), 0x036C);
  std::string title;
  int32_t contents = -1;
  for (size_t r = sys + 12; r < sys + hlp.U32(sys - 5); r += 4 + hlp.U16(r + 2)) {
    if (hlp.U16(r) == 1) title = hlp.Str(r + 4);
    if (hlp.U16(r) == 3) contents = static_cast<int32_t>(hlp.U32(r + 4));
  }
  EXPECT_EQ(title, kTitle);

  auto context = hlp.LongPairs(files["|CONTEXT"]);
  std::map<std::string, int32_t> byName;
  for (const char* name : {"contents", "choosing_a_folder", "icon_list", "configuration", "saving", "copying", "keys", "command_line"}) {
    auto it = context.find(ContextHash(name));
    ASSERT_NE(it, context.end()) << name;
    byName[name] = it->second;
  }
  EXPECT_EQ(contents, byName["contents"]);

  size_t map = files["|CTXOMAP"];
  std::map<int32_t, int32_t> numbers;
  for (int i = 0; i < hlp.U16(map); ++i)
    numbers[static_cast<int32_t>(hlp.U32(map + 2 + 8 * i))] = static_cast<int32_t>(hlp.U32(map + 6 + 8 * i));
  ASSERT_TRUE(numbers.count(0) && numbers.count(3));
  EXPECT_EQ(numbers[0], byName["contents"]);
  EXPECT_EQ(numbers[3], byName["configuration"]);

  // The index entry "Remove" leads to the configuration topic.
  size_t keywords = files["|KWBTREE"];
  size_t page = keywords + 38 + hlp.U16(keywords + 4) * hlp.U16(keywords + 26);
  std::vector<int32_t> removeTopics;
  for (size_t at = page + 8, i = 0; i < hlp.U16(page + 2); ++i) {
    std::string word = hlp.Str(at);
    at += word.size() + 1;
    if (word == "Remove")
      for (int k = 0; k < hlp.U16(at); ++k)
        removeTopics.push_back(static_cast<int32_t>(hlp.U32(files["|KWDATA"] + hlp.U32(at + 2) + 4 * k)));
    at += 6;
  }
  EXPECT_EQ(removeTopics, std::vector<int32_t>{byName["configuration"]});

  auto topics = hlp.Topics(files["|TOPIC"], hlp.U32(files["|TOPIC"] - 5));
  ASSERT_EQ(topics.size(), byName.size());
  const Topic* front = TopicAt(topics, numbers[0]);
  const Topic* config = TopicAt(topics, numbers[3]);
  ASSERT_TRUE(front && config);
  EXPECT_EQ(front->title, "Varnholt Glyph Gatherer");
  EXPECT_EQ(config->title, "Configuration");
  for (const char* option : {"Show button text", "Show tool tips", "Images always coloured",
                             "Include files in sub-folders when extracting",
                             "Remove all entries from the system registry for this application", "All file types",
                             "These file types only", ".EXE.DLL.ICO.CUR.OCX.VBX.CPL.ANI.DRV.BIN.SCR.ICL"})
    EXPECT_NE(config->Text().find(option), std::string::npos) << option;

  // Every jump in every topic lands on a context the file defines; the contents reaches them all.
  std::map<int32_t, bool> reached;
  for (const auto& t : topics)
    for (const auto& p : t.paragraphs)
      for (int32_t j : p.jumps) {
        EXPECT_TRUE(context.count(j)) << t.title << ": " << p.text;
        if (&t == front) reached[j] = true;
      }
  for (const auto& [name, offset] : byName) {
    if (name != "contents") {
      EXPECT_TRUE(reached[ContextHash(name)]) << name;
    }
  }
}

// ---------------------------------------------------------------- the viewer, from outside

struct ProcessInfo {
  HANDLE process = nullptr;
  ~ProcessInfo() {
    if (process) CloseHandle(process);
  }
};

HWND WaitWindow(const char* cls, DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 50) {
    HWND w = FindWindowA(cls, nullptr);
    if (w && IsWindowVisible(w)) return w;
    Sleep(50);
  }
  return nullptr;
}

std::string Caption(HWND w) {
  char buf[256] = "";
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

// The topic text as the viewer shows it, once it starts with the wanted title.
std::string ViewerText(HWND viewer, const std::string& title) {
  std::string text;
  for (int i = 0; i < 100; ++i) {
    if (HWND edit = FindWindowExA(viewer, nullptr, "RichEdit20A", nullptr)) {
      DWORD_PTR length = 0;
      SendMessageTimeoutA(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length);
      text.assign(length + 1, '\0');
      DWORD_PTR copied = 0;
      SendMessageTimeoutA(edit, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 5000,
                          &copied);
      text.resize(copied);
      if (text.rfind(title, 0) == 0) break;
    }
    Sleep(100);
  }
  return text;
}

void CloseAndWait(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(w, WM_CLOSE, 0, 0);
  if (process) {
    WaitForSingleObject(process, 20000);
    CloseHandle(process);
  }
}

void PressKey(HWND top, UINT vk) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = top;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
  PostMessageA(target, WM_KEYDOWN, vk, 1 | scan);
  PostMessageA(target, WM_KEYUP, vk, 1 | scan | (LPARAM(3) << 30));
}

TEST(HelpViewer, F1InTheProgramShowsContentsThenContextAndJumpsWork) {
  if (HWND old = FindWindowA("MS_WINHELP", nullptr)) CloseAndWait(old);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string cmd = kProgram;
  ASSERT_TRUE(CreateProcessA(kProgram, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ProcessInfo program{pi.hProcess};
  CloseHandle(pi.hThread);
  HWND main = WaitWindow("TfrmMainForm", 60000);
  ASSERT_TRUE(main);

  PressKey(main, VK_F1);
  HWND viewer = WaitWindow("MS_WINHELP", 30000);
  ASSERT_TRUE(viewer);
  std::string text = ViewerText(viewer, "Varnholt Glyph Gatherer\r");
  EXPECT_EQ(Caption(viewer), kTitle);
  EXPECT_EQ(text.rfind("Varnholt Glyph Gatherer\r", 0), 0u) << text;
  EXPECT_NE(text.find("finds the icons stored inside files"), std::string::npos);

  // A jump: click the link to the folder topic where the viewer draws it.
  HWND edit = FindWindowExA(viewer, nullptr, "RichEdit20A", nullptr);
  size_t link = text.find("Choosing a folder");
  ASSERT_TRUE(edit && link != std::string::npos);
  LRESULT xy = SendMessageA(edit, EM_POSFROMCHAR, link + 2, 0);
  LPARAM at = MAKELPARAM(LOWORD(xy) + 1, HIWORD(xy) + 4);
  PostMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(edit, WM_LBUTTONUP, 0, at);
  text = ViewerText(viewer, "Choosing a folder\r");
  EXPECT_EQ(text.rfind("Choosing a folder\r", 0), 0u) << text;

  // Context 3, the way the configuration dialog asks for it.
  HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  char full[MAX_PATH];
  GetFullPathNameA(kHelpFile, MAX_PATH, full, nullptr);
  EXPECT_TRUE(WinHelpA(owner, full, HELP_CONTEXT, 3));
  text = ViewerText(viewer, "Configuration\r");
  EXPECT_EQ(text.rfind("Configuration\r", 0), 0u) << text;
  DestroyWindow(owner);

  CloseAndWait(viewer);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(program.process, 30000), WAIT_OBJECT_0);
  TRegistryIniFile(kBaseKey).EraseSection(kSection);
}

// The program in a folder named in other scripts: the viewer, a program of its own with its own
// code page, is given a path it can open, so F1 shows the contents there too.
TEST(HelpViewer, F1FindsTheHelpFileInAFolderNamedInOtherScripts) {
  if (HWND old = FindWindowA("MS_WINHELP", nullptr)) CloseAndWait(old);
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "Справка ヘルプ " + std::to_string(GetCurrentProcessId()) + "\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string program = folder + "Mirovane.exe", help = folder + "Mirovane.hlp";
  ASSERT_TRUE(CopyFileA(kProgram, program.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(kHelpFile, help.c_str(), FALSE));
  {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + program + "\"";
    ASSERT_TRUE(CreateProcessA(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ProcessInfo running{pi.hProcess};
    CloseHandle(pi.hThread);
    HWND main = WaitWindow("TfrmMainForm", 60000);
    ASSERT_TRUE(main);
    PressKey(main, VK_F1);
    HWND viewer = WaitWindow("MS_WINHELP", 30000);
    EXPECT_TRUE(viewer);
    if (viewer) {
      const std::string text = ViewerText(viewer, "Varnholt Glyph Gatherer\r");
      EXPECT_EQ(text.rfind("Varnholt Glyph Gatherer\r", 0), 0u) << text;
      CloseAndWait(viewer);
    }
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(running.process, 30000), WAIT_OBJECT_0);
  }
  DeleteFileA(program.c_str());
  DeleteFileA(help.c_str());
  RemoveDirectoryA(folder.c_str());
  TRegistryIniFile(kBaseKey).EraseSection(kSection);
}

}  // namespace
