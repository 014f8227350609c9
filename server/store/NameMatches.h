#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <soci/soci.h>

// A search or filter text resolved to the few stored values it names, so that a list walks
// the results' indexes by those values instead of reading every result's text. Names of cards
// and drivers are read from the cohorts (a row per card, driver, system and mode); OS and
// processor names from their index on the results, one distinct value at a time.
namespace nameMatches {

// A LIKE pattern (ESCAPE '\') that finds the text anywhere, case-insensitively once the
// compared column is lowered; its wildcards are taken literally.
std::string containing(const std::string& text);
// The PCI vendor ID of a vendor's name ("nvidia": "0x10de"); empty for any other text.
std::string vendorIdOf(const std::string& text);
// Cards whose name contains the text (when byName), or whose product, vendor, subproduct or
// subvendor ID is the text as the console prints it ("0x6898"), or whose vendor it names.
std::vector<int32_t> cards(soci::session& session, const std::string& text, bool byName);
// Distinct values of a text column of the results that contain the text, in their order.
// column is the program's own name ("os_text", "cpu_name"), never input; it needs an index
// that starts with it.
std::vector<std::string> values(soci::session& session, const std::string& column, const std::string& text);

} // namespace nameMatches
