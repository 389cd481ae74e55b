#pragma once
// The generated connections written as accounting files: each connection
// becomes a session with its Start, Interim-Update and Stop records, each
// duplicate a Stop sent again, each other line a record that is no
// connection. The forms differ only in how a file and its records look.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "loggen/accounting_session.h"
#include "loggen/log_generator.h"

namespace vy::loggen {

class AccountingFolderWriter : public LineSink {
public:
    AccountingFolderWriter(std::filesystem::path folder, const GeneratorOptions& options, GeneratedFolder& summary);
    ~AccountingFolderWriter() override;
    void BeginFile(const std::string& name) final;
    void Line(const std::string& line, const Connection* connection, bool copy) final;
    // Ends the last file; throws std::runtime_error when it cannot be written.
    void Finish();

protected:
    // The name of file index (from 0), whose connections start at firstSecond.
    virtual std::string FileName(int index, std::int64_t firstSecond) = 0;
    // What a file holds before its first record, and after its last.
    virtual void Begin(std::string& out) { (void)out; }
    virtual void End(std::string& out) { (void)out; }
    // A connection's session, or (copy) its Stop sent again.
    virtual void Session(const Connection& c, const AccountingSession& s, bool copy, std::string& out) = 0;
    // A record that is no connection, at about second.
    virtual void Other(std::uint64_t draw, std::int64_t second, std::string& out) = 0;

private:
    void Write(bool last);

    std::filesystem::path folder_;
    GeneratorOptions options_;
    GeneratedFolder& summary_;
    std::ofstream file_;
    std::string path_;
    std::string buffer_;
    int files_ = 0;
    std::uint64_t draws_ = 0;
    std::int64_t lastSecond_ = 0;
    AccountingSession session_;  // of the last connection, for its copies
};

// The writer of an accounting form (Detail or Radacct); nullptr for another.
std::unique_ptr<AccountingFolderWriter> MakeAccountingWriter(const std::filesystem::path& folder,
                                                              const GeneratorOptions& options,
                                                              GeneratedFolder& summary);

}  // namespace vy::loggen
