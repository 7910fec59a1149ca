// The built-in equivalence tables of the fuzzy matching, as lines of characters
// that count as the same. Sources are UTF-8; the compiler turns every literal into
// Shift_JIS, so the lines are built by pairing characters of parallel strings.
#include <cstring>

#include "regex/fuzzy_internal.h"

namespace {

bool lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Splits a Shift_JIS text into its characters.
std::vector<std::vector<char>> characters(const char* text) {
  std::vector<std::vector<char>> out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    int n = (lead(*p) && p[1]) ? 2 : 1;
    // A half-width voiced pair (ｶﾞ, ﾊﾟ) is one item.
    if (n == 1 && *p >= 0xA6 && *p <= 0xDD && (p[1] == 0xDE || p[1] == 0xDF)) n = 2;
    out.emplace_back(reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(p) + n);
    p += n;
  }
  return out;
}

// One line per position: the i-th character of every column.
void columns(std::vector<char>* text, std::initializer_list<const char*> parts) {
  std::vector<std::vector<std::vector<char>>> split;
  for (const char* part : parts) split.push_back(characters(part));
  std::size_t rows = split[0].size();
  for (std::size_t i = 0; i < rows; ++i) {
    for (const auto& column : split)
      if (i < column.size()) text->insert(text->end(), column[i].begin(), column[i].end());
    text->push_back('\n');
  }
}

void lines(std::vector<char>* text, std::initializer_list<const char*> groups) {
  for (const char* group : groups) {
    text->insert(text->end(), group, group + std::strlen(group));
    text->push_back('\n');
  }
}

const char hiragana_row[] =
    "ぁあぃいぅうぇえぉおかがきぎくぐけげこごさざしじすずせぜそぞただちぢっつづてでとどなにぬねの"
    "はばぱひびぴふぶぷへべぺほぼぽまみむめもゃやゅゆょよらりるれろゎわゐゑをん";
const char katakana_row[] =
    "ァアィイゥウェエォオカガキギクグケゲコゴサザシジスズセゼソゾタダチヂッツヅテデトドナニヌネノ"
    "ハバパヒビピフブプヘベペホボポマミムメモャヤュユョヨラリルレロヮワヰヱヲン";

}  // namespace

void szrex_builtin_tables(std::uint32_t flag, std::vector<char>* text) {
  if (flag & SzRexFuzzyVoiced) {
    lines(text, {"かが", "きぎ",   "くぐ",   "けげ",   "こご",   "さざ",  "しじ",
                 "すず", "せぜ",   "そぞ",   "ただ",   "ちぢ",   "つづ",  "てで",
                 "とど", "はばぱ", "ひびぴ", "ふぶぷ", "へべぺ", "ほぼぽ"});
    if (!(flag & SzRexFuzzyKana))
      lines(text, {"カガ", "キギ",   "クグ",   "ケゲ",   "コゴ",   "サザ",  "シジ",
                   "スズ", "セゼ",   "ソゾ",   "タダ",   "チヂ",   "ツヅ",  "テデ",
                   "トド", "ハバパ", "ヒビピ", "フブプ", "ヘベペ", "ホボポ"});
  }
  if (flag & SzRexFuzzyKana) columns(text, {hiragana_row, katakana_row});
  if (flag & SzRexFuzzySmallKana) {
    if (!((flag & SzRexFuzzyHalfWidth) && (flag & SzRexFuzzyKana)))
      lines(text, {"ァア", "ィイ", "ゥウ", "ェエ", "ォオ", "ャヤ", "ュユ", "ョヨ", "ッツ"});
    if (!(flag & SzRexFuzzyHalfWidth))
      lines(text, {"ぁあ", "ぃい", "ぅう", "ぇえ", "ぉお", "ゃや", "ゅゆ", "ょよ", "っつ"});
    lines(text, {"ｧｱ", "ｨｲ", "ｩｳ", "ｪｴ", "ｫｵ", "ｬﾔ", "ｭﾕ", "ｮﾖ", "ｯﾂ"});
  }
  if (flag & SzRexFuzzyLongVowel) lines(text, {"－ー", "-ｰ"});
  if (flag & SzRexFuzzyHalfWidth) {
    columns(text, {" !#$%&()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`"
                   "abcdefghijklmnopqrstuvwxyz{|}",
                   "　！＃＄％＆（）＊＋，－．／０１２３４５６７８９：；＜＝＞？＠ＡＢＣＤＥＦＧＨ"
                   "ＩＪＫＬＭＮＯ"
                   "ＰＱＲＳＴＵＶＷＸＹＺ［］＾＿｀ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗ"
                   "ｘｙｚ｛｜｝"});
    lines(text, {"\"”“", "'’‘", "\\￥", "~￣"});
    columns(text, {"｡｢｣､･", "。「」、・"});
    columns(text,
            {"ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ",
             "ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
             "マミムメモヤユヨラリルレロワン゛゜"});
    columns(text, {"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟｳﾞ",
                   "ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポヴ"});
  }
}

std::uint16_t* szrex_table_entry(std::uint16_t (*table)[192], unsigned code) {
  if (code < 0x100) {
    if (code < 0xA0) return &table[0][code];
    if (code <= 0xDF) return &table[0][code - 32];
    return nullptr;
  }
  unsigned lead_byte = code >> 8, trail = code & 0xFF;
  if (trail < 0x40) return nullptr;
  int row;
  if (lead_byte >= 0x81 && lead_byte <= 0x9F)
    row = lead_byte - 0x80;
  else if (lead_byte >= 0xE0 && lead_byte <= 0xFC)
    row = lead_byte - 0xC0;
  else
    return nullptr;
  return &table[row][trail - 0x40];
}
