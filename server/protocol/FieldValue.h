#pragma once

#include <string>

// What a value becomes where it is stored and where it is looked up: UTF-8 (toUtf8), and a
// value made of blanks only (space, tab, CR, LF) is the empty value. The XML parser keeps no
// text for an element that holds blanks only, so a record sent with <Name>   </Name> has always
// been stored with an empty Name; its lookup, Name=%20%20%20, reads the same way and finds it.
std::string fieldValue(const std::string& sent);
