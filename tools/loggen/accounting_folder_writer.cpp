#include "loggen/accounting_folder_writer.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "store/date_value.h"

namespace vy::loggen {

std::unique_ptr<AccountingFolderWriter> MakeDetailWriter(const std::filesystem::path& folder,
                                                         const GeneratorOptions& options, GeneratedFolder& summary);
std::unique_ptr<AccountingFolderWriter> MakeRadacctWriter(const std::filesystem::path& folder,
                                                          const GeneratorOptions& options, GeneratedFolder& summary);
std::unique_ptr<AccountingFolderWriter> MakeNpsWriter(const std::filesystem::path& folder,
                                                      const GeneratorOptions& options, GeneratedFolder& summary);

AccountingFolderWriter::AccountingFolderWriter(std::filesystem::path folder, const GeneratorOptions& options,
                                               GeneratedFolder& summary)
    : folder_(std::move(folder)), options_(options), summary_(summary), draws_(Mix(options.Seed ^ 0xACC7ull))
{
}

AccountingFolderWriter::~AccountingFolderWriter() = default;

void AccountingFolderWriter::BeginFile(const std::string&)
{
    Finish();
    // The same share of the days as the other forms give the file.
    const auto day = [](const CivilDate& d) { return static_cast<std::int64_t>(*EncodeDate(d.Year, d.Month, d.Day)); };
    const std::int64_t minutes = (day(options_.LastDay) - day(options_.FirstDay) + 1) * 1440;
    const std::int64_t first = (day(options_.FirstDay) * 1440 + minutes * files_ / options_.Files) * 60;
    const std::string name = FileName(files_++, first);
    path_ = (folder_ / name).string();
    file_.open(folder_ / name, std::ios::binary | std::ios::trunc);
    if (!file_)
        throw std::runtime_error("cannot create " + path_ + ": " + std::strerror(errno));
    summary_.Files.push_back(name);
    lastSecond_ = first;
    Begin(buffer_);
}

void AccountingFolderWriter::Line(const std::string&, const Connection* c, bool copy)
{
    const std::uint64_t draw = Mix(++draws_);
    if (c == nullptr) {
        ++summary_.OtherLines;
        Other(draw, lastSecond_ + static_cast<std::int64_t>(draw % 60), buffer_);
    } else {
        ++summary_.ConnectionLines;
        summary_.DuplicateLines += copy ? 1 : 0;
        summary_.ActiveSeconds += c->ActiveSeconds;
        summary_.BytesSent += c->BytesSent;
        summary_.BytesReceived += c->BytesReceived;
        if (!copy)
            session_ = SessionOf(*c, draw);
        lastSecond_ = session_.StartSecond;
        Session(*c, session_, copy, buffer_);
    }
    if (buffer_.size() >= (1u << 20))
        Write(false);
}

void AccountingFolderWriter::Finish()
{
    if (!file_.is_open())
        return;
    End(buffer_);
    Write(true);
}

void AccountingFolderWriter::Write(bool last)
{
    file_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    summary_.TotalBytes += static_cast<std::int64_t>(buffer_.size());
    buffer_.clear();
    if (last)
        file_.close();
    if (file_.fail())
        throw std::runtime_error("cannot write " + path_);
}

std::unique_ptr<AccountingFolderWriter> MakeAccountingWriter(const std::filesystem::path& folder,
                                                              const GeneratorOptions& options,
                                                              GeneratedFolder& summary)
{
    switch (options.Form) {
    case MessageForm::Detail: return MakeDetailWriter(folder, options, summary);
    case MessageForm::Radacct: return MakeRadacctWriter(folder, options, summary);
    case MessageForm::NpsDts:
    case MessageForm::NpsOdbc:
    case MessageForm::NpsIas: return MakeNpsWriter(folder, options, summary);
    default: return nullptr;
    }
}

}  // namespace vy::loggen
