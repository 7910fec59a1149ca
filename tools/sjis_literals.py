#!/usr/bin/env python3
"""Copies a C++ source, turning every non-ASCII character inside string and
character literals into octal escapes of its Shift_JIS (code page 932) bytes.

clang accepts no -fexec-charset but UTF-8, so the fuzz build compiles such
copies; the bytes of every literal are then the ones gcc makes with
-fexec-charset=CP932. Octal escapes stop after three digits, so a following
character can never be read as part of the escape (unlike \\x escapes).

Usage: sjis_literals.py <input> <output>
"""
import sys


def escape(text):
    out = []
    for ch in text:
        if ord(ch) < 0x80:
            out.append(ch)
        else:
            out.extend('\\%03o' % b for b in ch.encode('cp932'))
    return ''.join(out)


def convert(source):
    out = []
    i, n = 0, len(source)
    while i < n:
        c = source[i]
        if source.startswith('//', i):
            end = source.find('\n', i)
            end = n if end < 0 else end
            out.append(source[i:end])
            i = end
        elif source.startswith('/*', i):
            end = source.find('*/', i + 2)
            end = n if end < 0 else end + 2
            out.append(source[i:end])
            i = end
        elif source.startswith('R"', i) and (i == 0 or not (source[i - 1].isalnum() or source[i - 1] == '_')):
            open_paren = source.find('(', i)
            delimiter = ')' + source[i + 2:open_paren] + '"'
            end = source.find(delimiter, open_paren)
            end = n if end < 0 else end + len(delimiter)
            if any(ord(ch) >= 0x80 for ch in source[i:end]):
                raise SystemExit('raw literal with non-ASCII text is not supported: ' + source[i:end][:40])
            out.append(source[i:end])
            i = end
        elif c in '"\'':
            j = i + 1
            while j < n and source[j] != c:
                j += 2 if source[j] == '\\' else 1
            out.append(c + escape(source[i + 1:j]) + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def main():
    with open(sys.argv[1], encoding='utf-8') as f:
        text = f.read()
    # Keep line numbers: the copy has the same lines, and #line names the original.
    result = '#line 1 "%s"\n' % sys.argv[1] + convert(text)
    with open(sys.argv[2], 'w', encoding='utf-8') as f:
        f.write(result)


if __name__ == '__main__':
    main()
