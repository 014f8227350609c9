#pragma once

#include <optional>
#include <string>

#include "server/protocol/Measurement.h"

// Splits a result field into a measurement: "<test>_<W>x<H>_<unit>" or "<test>_<unit>", the
// unit one of Ops_s, MP_s and MiB_s, the value a finite number. Any other field (RAMSize,
// CompositePremultAlpha, ...) is not a measurement.
std::optional<Measurement> parseMeasurement(const std::string& name, const std::string& value);

// Whether a result field of that name is a measurement when its value is a number.
bool isMeasurementName(const std::string& name);
