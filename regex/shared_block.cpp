// The process-wide shared block of the fuzzy settings: start-up from the registry,
// the rebuild of the equivalence table from definition files and built-in tables,
// and the set-up of fuzzy contexts. The block is touched only under its named mutex.
#include <cstdio>
#include <cstring>
#include <new>

#include "regex/fuzzy_internal.h"
#include "regex/guarded_memory.h"
#include "regex/szrex.h"
#include "regex/szrex_os.h"

namespace {

const char source_name[] = "Fuzzy";
const char mutex_name[] = "Sazanami_SzRexDllMutex";
const char mapping_name[] = "Sazanami_SzRexDllFileMapping";
const char definition_error_caption[] = "SzRex.dll - あいまい検索定義ファイルの読み込みエラー";
const std::uint32_t max_definition = 524287;

void* g_mutex = nullptr;
SzRexShared* g_shared = nullptr;
void* g_mapping = nullptr;
void* g_synonym_view = nullptr;
void* g_synonym_handle = nullptr;
bool g_reported = false;  // a definition error is shown once per process

bool lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool half_kana(unsigned char c) { return c >= 0xA6 && c <= 0xDD; }
bool voicing_mark(unsigned char c) { return c == 0xDE || c == 0xDF; }

struct mutex_hold {
  bool held = false;
  mutex_hold() {
    if (g_mutex) held = szrex_os::mutex_wait(g_mutex);
  }
  ~mutex_hold() {
    if (held) szrex_os::mutex_release(g_mutex);
  }
};

void fill_from_registry(SzRexShared* shared) {
  void* key = szrex_os::registry_open();
  std::uint32_t flag = 0;
  shared->fuzzy_flag =
      szrex_os::registry_read_dword(key, "FuzzyFlag", &flag) ? flag : SzRexFuzzyDefault;
  char name[16];
  for (int i = 0; i < 4; ++i) {
    std::snprintf(name, sizeof name, "Custom%d", i + 1);
    shared->custom_path[i][0] = '\0';
    if (!szrex_os::registry_read_string(key, name, shared->custom_path[i], 260))
      shared->custom_path[i][0] = '\0';
    std::snprintf(name, sizeof name, "CustomTime%d", i + 1);
    shared->custom_time[i] = 0;
    szrex_os::registry_read_binary(key, name, &shared->custom_time[i], 8);
  }
  if (!szrex_os::registry_read_string(key, "CustomIgnore", shared->custom_ignore, 128))
    shared->custom_ignore[0] = '\0';
  szrex_os::registry_close(key);
}

void report_definition_error(const char* message) {
  if (g_reported) return;
  g_reported = true;
  SzRexShowMessage(message, definition_error_caption, true);
}

// Publishes the synonym words in a new mapping named by the generation.
void publish_synonyms(SzRexShared* shared, const std::vector<unsigned char>& words) {
  if (g_synonym_view || g_synonym_handle) {
    szrex_os::shared_close(g_synonym_view, g_synonym_handle);
    g_synonym_view = g_synonym_handle = nullptr;
  }
  shared->synonym_size = 0;
  if (words.empty()) return;
  ++shared->generation;
  char name[64];
  std::snprintf(name, sizeof name, "Sazanami_SzRexDllSynonym%u", shared->generation);
  bool existed = false;
  std::uint32_t size = static_cast<std::uint32_t>(words.size()) + 1;
  void* view = szrex_os::shared_open(name, size, &existed, &g_synonym_handle);
  if (!view) return;
  std::memcpy(view, words.data(), words.size());
  static_cast<unsigned char*>(view)[words.size()] = 0;
  g_synonym_view = view;
  shared->synonym_size = size;
}

bool files_unchanged(const SzRexShared* shared) {
  for (int i = 0; i < 4; ++i) {
    if (!(shared->fuzzy_flag & (SzRexFuzzyFile1 << i)) || !shared->custom_path[i][0]) continue;
    std::uint64_t time = 0;
    if (!szrex_os::file_time(shared->custom_path[i], &time)) return false;
    if (time != shared->custom_time[i]) return false;
  }
  return true;
}

void rebuild(SzRexShared* shared) {
  std::memset(shared->row_flags, 0, sizeof shared->row_flags);
  std::memset(shared->table, 0, sizeof shared->table);
  shared->table_present = 0;
  shared->word_ratio = 0;
  shared->longest_word = 0;
  std::vector<unsigned char> synonyms;
  synonyms.reserve(2048);
  szrex_definition_reader reader{shared, &synonyms, {}};
  bool failed = false;
  for (int i = 0; i < 4 && !failed; ++i) {
    if (!(shared->fuzzy_flag & (SzRexFuzzyFile1 << i)) || !shared->custom_path[i][0]) continue;
    char* data = nullptr;
    std::uint32_t size = 0;
    std::uint64_t time = 0;
    int status = szrex_os::file_read(shared->custom_path[i], max_definition, &data, &size, &time);
    if (status != 0) {
      const char* format = status == 1   ? "%s - ファイルがオープンできません。"
                           : status == 2 ? "%s - ファイルサイズが大きすぎます。"
                                         : "%s - ファイルの読み込みに失敗しました。";
      std::snprintf(reader.message, sizeof reader.message, format, shared->custom_path[i]);
      report_definition_error(reader.message);
      failed = true;
      break;
    }
    shared->custom_time[i] = time;
    if (reader.read(data, size, shared->custom_path[i], false) != 0) {
      report_definition_error(reader.message);
      failed = true;
    }
    szrex_os::heap_free(data);
  }
  if (!failed) {
    std::vector<char> builtin;
    szrex_builtin_tables(shared->fuzzy_flag, &builtin);
    if (reader.read(builtin.data(), static_cast<std::uint32_t>(builtin.size()), "(内部)", true) !=
        0)
      report_definition_error(reader.message);
  }
  shared->built = 1;
  publish_synonyms(shared, synonyms);
}

}  // namespace

// Definition reader --------------------------------------------------------------

int szrex_definition_reader::read(const char* text, std::uint32_t length, const char* file_name,
                                  bool builtin) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = p + length;
  unsigned line_number = 0;
  while (p < end) {
    ++line_number;
    const unsigned char* line_end = p;
    while (line_end < end && *line_end != '\n' && *line_end != '\r') ++line_end;
    const unsigned char* next = line_end;
    if (next < end && *next++ == '\r' && next < end && *next == '\n') ++next;
    // Items: characters (a half-width voiced pair counts as one) or words.
    struct item {
      const unsigned char* at;
      unsigned length;
      unsigned characters;
    };
    std::vector<item> items;
    const unsigned char* q = p;
    // Built-in lines have neither separators nor comments: every byte is a character.
    auto comment = [&](const unsigned char* at) {
      return !builtin && at + 1 < line_end && at[0] == '/' && at[1] == '/';
    };
    bool has_word = false;
    while (q < line_end) {
      if (comment(q)) break;
      if (!builtin && (*q == ' ' || *q == '\t')) {
        ++q;
        continue;
      }
      item it{q, 0, 0};
      while (q < line_end && !comment(q)) {
        if (!builtin && (*q == ' ' || *q == '\t')) break;
        unsigned n = 1;
        if (lead(*q)) {
          if (q + 1 >= line_end || q[1] < 0x40) {
            std::snprintf(message, sizeof message,
                          "不正な２バイト文字があります。\n\nファイル名 = %s\n行番号 = %u",
                          file_name, line_number);
            return static_cast<int>(line_number);
          }
          n = 2;
        } else if (half_kana(*q) && q + 1 < line_end && voicing_mark(q[1])) {
          n = 2;  // a half-width voiced pair
        }
        if (builtin && it.length > 0) break;  // one character per item
        it.length += n;
        ++it.characters;
        q += n;
        if (builtin) break;
      }
      if (it.length == 0) continue;
      bool pair = it.length == 2 && half_kana(it.at[0]) && voicing_mark(it.at[1]);
      if (it.characters >= 2 && !pair) has_word = true;
      items.push_back(it);
    }
    p = next;
    if (items.empty()) continue;
    if (has_word) {
      if (items.size() < 2) {
        std::snprintf(
            message, sizeof message,
            "同一視する単語が１つしか指定されていません。\n\nファイル名 = %s\n行番号 = %u",
            file_name, line_number);
        return static_cast<int>(line_number);
      }
      unsigned sum = 0, shortest = 0xFFFFFFFFu;
      for (const item& it : items) {
        if (it.length > 255) {
          std::snprintf(
              message, sizeof message,
              "同一視する単語の長さが制限（255バイト）を超えました。同一視指定は不完全です。"
              "\n\nファイル名 = %s\n行番号 = %u",
              file_name, line_number);
          return static_cast<int>(line_number);
        }
        synonyms->push_back(static_cast<unsigned char>(it.length));
        synonyms->insert(synonyms->end(), it.at, it.at + it.length);
        sum += it.length;
        if (it.length < shortest) shortest = it.length;
        if (it.length > shared->longest_word) shared->longest_word = it.length;
      }
      synonyms->push_back(0);
      unsigned ratio = (sum + static_cast<unsigned>(items.size()) + 1) / shortest;
      if (ratio > shared->word_ratio) shared->word_ratio = ratio;
      continue;
    }
    if (items.size() > 256) {
      std::snprintf(message, sizeof message,
                    "同一視する対象文字が制限（256個）を超えました。同一視指定は不完全です。"
                    "\n\nファイル名 = %s\n行番号 = %u",
                    file_name, line_number);
      return static_cast<int>(line_number);
    }
    // The representative: the smallest code, or a half-width voiced pair on a line
    // without single-byte characters.
    unsigned representative = 0xFFFFFFFFu, pair_code = 0;
    bool single_byte = false;
    for (const item& it : items) {
      bool pair = it.length == 2 && half_kana(it.at[0]) && voicing_mark(it.at[1]);
      unsigned code = it.length == 2 ? (it.at[0] << 8) | it.at[1] : it.at[0];
      if (pair) {
        if (!pair_code) pair_code = code;
        continue;
      }
      if (it.length == 1) single_byte = true;
      if (code < representative) representative = code;
    }
    if (pair_code && !single_byte) representative = pair_code;
    if (representative == 0xFFFFFFFFu) continue;
    for (const item& it : items) {
      bool pair = it.length == 2 && half_kana(it.at[0]) && voicing_mark(it.at[1]);
      if (pair) continue;
      unsigned code = it.length == 2 ? (it.at[0] << 8) | it.at[1] : it.at[0];
      std::uint16_t* entry = szrex_table_entry(shared->table, code);
      if (!entry) continue;
      if (*entry != 0 && *entry != representative) {
        // Merge the groups: the old representative is rewritten everywhere.
        std::uint16_t old = *entry;
        for (auto& row : shared->table)
          for (std::uint16_t& e : row)
            if (e == old) e = static_cast<std::uint16_t>(representative);
      }
      *entry = static_cast<std::uint16_t>(representative);
      int row =
          code < 0x100 ? 0 : static_cast<int>(code >> 8) - ((code >> 8) <= 0x9F ? 0x80 : 0xC0);
      shared->row_flags[row] = 1;
      shared->table_present = 1;
    }
    if (std::uint16_t* own = szrex_table_entry(shared->table, representative)) {
      if (*own == 0) *own = static_cast<std::uint16_t>(representative);
    }
  }
  return 0;
}

// Start-up and shutdown ------------------------------------------------------------

int SzRexStartup(void* instance) {
  (void)instance;
  if (g_shared) return 1;
  void* mutex = szrex_os::mutex_open(mutex_name);
  if (!mutex) return 0;
  if (!szrex_os::mutex_wait(mutex)) {
    szrex_os::mutex_close(mutex);
    return 0;
  }
  bool existed = false;
  void* handle = nullptr;
  void* view = szrex_os::shared_open(mapping_name, sizeof(SzRexShared), &existed, &handle);
  if (!view) {
    // Release the mutex before giving up, or every other user would wait for ever.
    szrex_os::mutex_release(mutex);
    szrex_os::mutex_close(mutex);
    return 0;
  }
  SzRexShared* shared = static_cast<SzRexShared*>(view);
  if (!existed) {
    std::memset(shared, 0, sizeof *shared);
    fill_from_registry(shared);
  }
  g_mutex = mutex;
  g_shared = shared;
  g_mapping = handle;
  szrex_os::mutex_release(mutex);
  return 1;
}

void SzRexShutdown() {
  if (g_shared) szrex_os::shared_close(g_shared, g_mapping);
  g_shared = nullptr;
  g_mapping = nullptr;
  if (g_synonym_view || g_synonym_handle) szrex_os::shared_close(g_synonym_view, g_synonym_handle);
  g_synonym_view = g_synonym_handle = nullptr;
  if (g_mutex) szrex_os::mutex_close(g_mutex);
  g_mutex = nullptr;
}

std::uint32_t SzRexSharedFuzzyFlag() {
  mutex_hold hold;
  return g_shared ? g_shared->fuzzy_flag : 0;
}

// Fuzzy contexts -------------------------------------------------------------------

int SzRexFuzzyInit(SzRexFuzzy* context) {
  if (!context || context->size != SzRexFuzzySize) return 0;
  std::memset(reinterpret_cast<char*>(context) + sizeof context->size, 0,
              sizeof *context - sizeof context->size);
  if (!g_shared) return 1;  // no shared block: a context without equivalences
  mutex_hold hold;
  SzRexShared* shared = g_shared;
  if (!shared->built || !files_unchanged(shared)) rebuild(shared);
  context->fuzzy_flag = shared->fuzzy_flag;
  std::memcpy(context->custom_ignore, shared->custom_ignore, sizeof context->custom_ignore);
  context->word_ratio = shared->word_ratio;
  context->longest_word = shared->longest_word;
  if (shared->table_present) {
    context->table = static_cast<std::uint16_t*>(
        SzRexMemAlloc(SzRexMemFixed, sizeof shared->table, source_name, __LINE__));
    if (!context->table) return 0;
    std::memcpy(context->table, shared->table, sizeof shared->table);
  }
  if (shared->synonym_size) {
    char name[64];
    std::snprintf(name, sizeof name, "Sazanami_SzRexDllSynonym%u", shared->generation);
    bool existed = false;
    void* handle = nullptr;
    void* view = szrex_os::shared_open(name, shared->synonym_size, &existed, &handle);
    if (view && existed) {
      context->synonyms = static_cast<unsigned char*>(
          SzRexMemAlloc(SzRexMemFixed, shared->synonym_size, source_name, __LINE__));
      if (context->synonyms) {
        std::memcpy(context->synonyms, view, shared->synonym_size);
        context->synonym_size = shared->synonym_size;
      }
    }
    szrex_os::shared_close(view, handle);
  }
  return 1;
}

void SzRexFuzzyFree(SzRexFuzzy* context) {
  if (!context) return;
  if (context->table) SzRexMemFree(context->table, source_name, __LINE__);
  if (context->synonyms) SzRexMemFree(context->synonyms, source_name, __LINE__);
  if (context->pattern) SzRexMemFree(context->pattern, source_name, __LINE__);
  auto free_buffer = [](void* buffer, std::uint32_t size) {
    if (!buffer) return;
    if (size >= (1u << 20))
      szrex_os::pages_free(buffer);
    else
      SzRexMemFree(buffer, source_name, __LINE__);
  };
  free_buffer(context->subject, context->subject_capacity);
  free_buffer(context->subject_copy, context->subject_capacity);
  free_buffer(context->position_map, context->subject_capacity * 4);
  context->table = nullptr;
  context->synonyms = nullptr;
  context->pattern = nullptr;
  context->subject = context->subject_copy = nullptr;
  context->position_map = nullptr;
  context->subject_capacity = 0;
}
