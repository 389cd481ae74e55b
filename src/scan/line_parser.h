#pragma once
// Recognising connection lines and taking their values out. Lines are bytes
// (Latin-1); positions in comments count from 1 as the log format does.
// lang is the LogLanguage setting: exactly "DE" selects the German markers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/marker_anchors.h"

namespace vy {

bool IsGermanLanguage(std::string_view lang);

// The texts of one language's messages that the extractors look for.
struct LineMarkers {
    std::string_view Recognition;  // "The user was active for"
    std::string_view Start;        // ",The user " (the comma opens the message field)
    std::string_view UserStart;    // ",The user"
    std::string_view AfterUser;    // "connected on port"
    std::string_view BeforePort;   // "connected on port " (German: the text two bytes before the port)
    std::string_view TimeMarker;   // " at "
    std::string_view BeforeSent;   // " seconds.  "
    std::string_view AfterSent;    // " bytes were sent "
    std::string_view BeforeReceived;
    std::string_view AfterReceived;
    std::string_view BeforeSpeed;
};
const LineMarkers& MarkersFor(std::string_view lang);
const LineMarkers& EnglishMarkers();
const LineMarkers& GermanMarkers();

// First occurrence of needle in line at or after from; npos when absent.
std::size_t FindMarker(std::string_view line, std::string_view needle, std::size_t from = 0);

// True when the line holds "," + ID + "," for one of the five-character IDs
// of the list (read in six-character slots) and the recognition marker.
bool IsConnectionLine(std::string_view lang, std::string_view line, std::string_view ids);

// The extractors. nullopt marks a malformed line (a marker missing, a value
// that does not convert, an end character that never comes).
std::optional<double> ExtractDateTime(std::string_view lang, std::string_view line);
std::optional<std::string_view> ExtractDomain(std::string_view lang, std::string_view line);  // "Local" when none
std::optional<std::string> ExtractUser(std::string_view lang, std::string_view line);         // lower-cased
std::optional<std::string_view> ExtractServer(std::string_view lang, std::string_view line);
std::optional<std::string_view> ExtractPort(std::string_view lang, std::string_view line);
std::optional<std::string_view> ExtractSpeed(std::string_view lang, std::string_view line);
std::optional<std::int32_t> ExtractBytesSent(std::string_view lang, std::string_view line);
std::optional<std::int32_t> ExtractBytesReceived(std::string_view lang, std::string_view line);
// Active time in seconds: pairs of "<digits> <unit word>" after the
// recognition marker (active_time.cpp).
std::optional<std::int32_t> ExtractTime(std::string_view lang, std::string_view line);

// A byte count: optional leading blanks, an optional sign, one or more
// digits, within the signed 32-bit range; nothing else.
std::optional<std::int32_t> ParseByteCount(std::string_view text);

// Every value of one connection line. The views point into the line (the
// domain may instead be the constant "Local").
struct ConnectionLine {
    double DateTime = 0;
    std::string_view Domain;
    std::string User;  // reused between lines, so parsing allocates nothing once warm
    std::string_view Server;
    std::string_view Port;
    std::string_view Speed;
    std::int32_t ActiveTime = 0;
    std::int32_t BytesSent = 0;
    std::int32_t BytesReceived = 0;
};

// The recognition test prepared once for a scan: the same answer as
// IsConnectionLine, without re-reading the settings for every line.
class LineMatcher {
public:
    LineMatcher(std::string_view lang, std::string_view ids);
    bool IsConnectionLine(std::string_view line) const;
    // The same answer for a line known to hold the recognition marker.
    bool IsConnectionLineWithMarker(std::string_view line) const;
    bool German() const { return german_; }

private:
    bool german_ = false;
    PreparedMarker marker_;
    std::vector<PreparedMarker> idFields_;  // ",ID," for each distinct slot of the list
};

// Reads every value of an accepted line into out; false when the line is
// malformed (out is then unspecified).
bool ParseConnectionLine(std::string_view lang, std::string_view line, ConnectionLine& out);

}  // namespace vy
