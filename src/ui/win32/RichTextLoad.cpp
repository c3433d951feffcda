#include "ui/win32/RichTextLoad.h"

#include <algorithm>
#include <cstring>

#include "ui/win32/CommonControls.h"

namespace view {

const char* RichEditClass() {
  // Loaded by full path from the system folder, never from the program's
  // own; it stays loaded for the life of the process.
  static bool loaded = [] {
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    return LoadLibraryA((std::string(dir) + "\\riched20.dll").c_str()) != nullptr;
  }();
  (void)loaded;
  return RICHEDIT_CLASSA;
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
  TSource src{&text, 0};
  EDITSTREAM es{};
  es.dwCookie = reinterpret_cast<DWORD_PTR>(&src);
  es.pfnCallback = ReadChunk;
  WPARAM format = text.compare(0, 5, "{\\rtf") == 0 ? SF_RTF : SF_TEXT;
  SendMessageA(richEdit, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es));
  SendMessageA(richEdit, EM_SETSEL, 0, 0);
  SendMessageA(richEdit, EM_SCROLLCARET, 0, 0);
}

}  // namespace view
