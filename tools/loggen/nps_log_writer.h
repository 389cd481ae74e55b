#pragma once
// The generated lines written as NPS / RRAS accounting logs (IN*.log) in one
// of their three forms: "DTS Compliant" XML, "database-compatible" comma
// lines, or the IAS format. Each connection becomes an accounting Start,
// perhaps an Interim-Update, and its Stop; each copy of a connection line the
// same Stop sent again (a larger Acct-Delay-Time, a later record time, so the
// same connect time); each other line a record of no connection
// (Access-Request, -Accept, -Reject, Accounting-On, -Off, an Interim-Update).
// The server is written as NAS-Identifier, the port as NAS-Port-Id with
// NAS-Port beside it (NasPortNumber), the speed in Connect-Info.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "loggen/log_generator.h"

namespace vy::loggen {

enum class NpsForm { Dts, Odbc, Ias };

class NpsFolderWriter : public LineSink {
public:
    // firstSecond: the first moment of the connections' days (seconds since
    // 30 December 1899), when the records of no connection begin.
    NpsFolderWriter(std::filesystem::path folder, NpsForm form, std::uint64_t seed, std::int64_t firstSecond,
                    GeneratedFolder& summary);
    ~NpsFolderWriter() override;
    void BeginFile(const std::string& name) override;  // "x.txt" is written as "x.log"
    void Line(const std::string& line, const Connection* connection, bool copy) override;
    void Finish();

private:
    struct Record;
    void Stop(const Connection& c, int delay);
    void Write(const Record& record);
    std::uint64_t Draw(std::uint64_t below);

    std::filesystem::path folder_;
    NpsForm form_;
    std::uint64_t state_;
    GeneratedFolder& summary_;
    std::ofstream out_;
    std::string path_;
    std::string text_;  // the record being written
    std::int64_t lastSecond_ = 0;  // of the last record, for the records of no connection
    std::unique_ptr<Record> lastStop_;  // which a copy sends again
    std::int64_t session_ = 0;
};

// The NPS form of a generator form; nullopt for the others.
std::optional<NpsForm> NpsFormOf(MessageForm form);

// The NAS-Port number written for a port name: how the database-compatible
// form, which has no NAS-Port-Id, names the port.
std::string NasPortNumber(std::string_view port);

}  // namespace vy::loggen
