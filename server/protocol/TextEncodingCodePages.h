#pragma once

#include <string>

// Texts of machines whose ANSI code page is not Windows-1252. The program sends every
// description text as bytes of its machine's ANSI code page, and its result names that page
// (the field CodePage). Description records arrive before their result, so they are stored as
// every text is (toUtf8: Windows-1252 unless the bytes were UTF-8), and identified by those
// bytes alone; the result's page then tells how to read them.

// The pages this server reads: 874 (Thai), 932 (Japanese), 936 (Simplified Chinese), 949
// (Korean), 950 (Traditional Chinese), 1250 to 1258 (the European, Arabic, Hebrew, Baltic and
// Vietnamese ones, Windows-1252 among them).
bool isReadableCodePage(int codePage);

// The page a CodePage field names ("1251"); 0 when it names none this server reads.
int codePageNamed(const std::string& fieldValue);

// A stored value read again in the page its bytes were written in: the bytes that toUtf8 read
// as Windows-1252, or that it kept because they happened to be UTF-8, decoded in codePage
// (plain ASCII reads the same in every one of these pages). Unchanged when the page is
// Windows-1252 or not readable (UTF-8 as the ANSI page, 65001, among them), or when the bytes
// are not text of that page.
std::string inCodePage(const std::string& stored, int codePage);
