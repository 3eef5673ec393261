#pragma once
// The port halvex-log opens when no --port is given: the one the window used last.
#include <functional>
#include <string>

#include "measurement/csv_recording.h"

namespace logger {

// "ComPort" of the product key in the user's settings file when it is longer than 3
// characters (as the window reads it at start-up), else "COM1". Reading never writes the
// settings; a problem with the file (which the settings store handles as the window does) is
// told through `onProblem`.
std::string defaultPort(const std::function<void(const std::string&)>& onProblem = {});

// The CSV style chosen in the window ("CsvStyle" of the product key), else commas.
measurement::CsvStyle defaultCsvStyle();

}  // namespace logger
