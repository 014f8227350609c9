#pragma once

#include <ostream>
#include <string>

#include "app/RunSettings.h"

class Prompts;

// The local wall-clock time, as the platform reports it (24-hour clock).
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "2012-06-11_09-05-07": year unpadded, the other five numbers in two digits.
std::string makeResultFileDate(const LocalDateTime& time);

// Replaces each of / \ * # : ; | ^ < > with '_', in place.
void sanitizeFileName(std::string& name);

// cardName + "__" + date + ".kvdresult", sanitised as a whole.
std::string makeDefaultResultFileName(const std::string& cardName, const LocalDateTime& time);

// True when a file or directory of that name (a local path, client/LocalFile.h) exists.
bool pathExists(const std::string& path);

// Saves the transcript as the result file, asking what the settings leave open, and records the
// answers in settings. now: the local time, for the default name. Throws the text
// "ERROR: Could not create output file to save results" when the file cannot be written.
void saveResults(RunSettings& settings, const std::string& transcript,
                 const std::string& cardName, const LocalDateTime& now, Prompts& prompts,
                 std::ostream& console);
