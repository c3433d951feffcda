#include "ui/win32/RichTextLoad.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Wide.h"
#include "ui/win32/CommonControls.h"

namespace view {

const char* RichEditClass() {
  // Loaded by full path from the system folder, never from the program's
  // own; it stays loaded for the life of the process.
  static bool loaded = [] {
    wchar_t dir[MAX_PATH];
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    return LoadLibraryW(Wide(Narrow(dir, n) + "\\riched20.dll").c_str()) != nullptr;
  }();
  (void)loaded;
  return "RichEdit20W";
}

namespace {
struct TSource {
  const std::string* text;
  size_t pos;
};

DWORD CALLBACK ReadChunk(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
  auto* src = reinterpret_cast<TSource*>(cookie);
  size_t n = std::min(static_cast<size_t>(size), src->text->size() - src->pos);
  std::memcpy(buffer, src->text->data() + src->pos, n);
  src->pos += n;
  *read = static_cast<LONG>(n);
  return 0;
}
}  // namespace

void LoadRichText(HWND richEdit, const std::string& text) {
  // Rich text is streamed in as its bytes (it names its own code page);
  // plain text is UTF-8, streamed in as UTF-16.
  const bool rtf = text.compare(0, 5, "{\\rtf") == 0;
  std::string bytes;
  if (!rtf) {
    const TWide wide = Wide(text);
    bytes.assign(reinterpret_cast<const char*>(wide.c_str()), wide.size() * sizeof(wchar_t));
  }
  TSource src{rtf ? &text : &bytes, 0};
  EDITSTREAM es{};
  es.dwCookie = reinterpret_cast<DWORD_PTR>(&src);
  es.pfnCallback = ReadChunk;
  WPARAM format = rtf ? SF_RTF : SF_TEXT | SF_UNICODE;
  SendMessageW(richEdit, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es));
  SendMessageW(richEdit, EM_SETSEL, 0, 0);
  SendMessageW(richEdit, EM_SCROLLCARET, 0, 0);
}

}  // namespace view
