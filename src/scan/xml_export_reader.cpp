#include "scan/xml_export_reader.h"

#include <string>
#include <vector>

#include <QString>
#include <QXmlStreamReader>

#include "scan/event_strings.h"

namespace vy {

namespace {

std::string Bytes(QStringView text) { return text.trimmed().toLatin1().toStdString(); }

// What one <Event> element told so far.
struct XmlEvent {
    std::string Id;
    std::string Provider;
    std::string Computer;
    std::vector<std::string> Strings;
    std::int64_t Place = 0;
    bool Open = false;

    void Begin(std::int64_t place)
    {
        Id.clear();
        Provider.clear();
        Computer.clear();
        Strings.clear();
        Place = place;
        Open = true;
    }
};

class XmlEvents {
public:
    explicit XmlEvents(const ExportReading& reading) : reading_(reading)
    {
        // Exports of wevtutil have no common root: one is given to them all.
        xml_.addData(QStringLiteral("<vy-events>"));
    }

    bool Read(LogReader& reader)
    {
        LogLineRead line;
        std::string decoded;
        bool first = true;
        while (reader.Next(line)) {
            if (line.Overlong) {
                reading_.Sink.Overlong();
                Fault();
                return true;
            }
            std::string_view text = DecodeLine(line.Text, reader.Encoding(), decoded);
            if (first) {
                // The declaration may stand only at the very start, before
                // the root given above; its encoding is the reader's concern.
                first = false;
                const std::size_t at = text.find_first_not_of(" \t");
                if (at != std::string_view::npos && text.substr(at).starts_with("<?xml")) {
                    const std::size_t end = text.find("?>", at);
                    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
                }
            }
            QString chunk = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
            chunk.append(u'\n');
            xml_.addData(chunk);
            if (!Take()) {
                Fault();
                return true;
            }
            reading_.Progress.Line(reading_.FileStart + static_cast<double>(reader.Consumed()), false);
            if (reading_.Sink.Stopped())
                return false;
        }
        xml_.addData(QStringLiteral("</vy-events>"));
        if (!Take() || event_.Open)
            Fault();
        return true;
    }

private:
    // Takes the elements fed so far; false on a fault in the XML.
    bool Take()
    {
        while (!xml_.atEnd()) {
            const QXmlStreamReader::TokenType token = xml_.readNext();
            if (token == QXmlStreamReader::StartElement) {
                const QStringView name = xml_.name();
                if (name == u"Event") {
                    event_.Begin(xml_.lineNumber());
                    inEventData_ = false;
                } else if (!event_.Open) {
                    continue;
                } else if (name == u"Provider") {
                    event_.Provider = Bytes(xml_.attributes().value(QStringLiteral("Name")));
                } else if (name == u"EventID" || name == u"Computer" || (name == u"Data" && inEventData_)) {
                    pending_ = name == u"EventID" ? &event_.Id : name == u"Computer" ? &event_.Computer : nullptr;
                    if (pending_ == nullptr) {
                        event_.Strings.emplace_back();
                        pending_ = &event_.Strings.back();
                    }
                    text_.clear();
                } else if (name == u"EventData") {
                    inEventData_ = true;
                }
            } else if (token == QXmlStreamReader::Characters) {
                if (pending_ != nullptr)
                    text_.append(xml_.text());
            } else if (token == QXmlStreamReader::EndElement) {
                const QStringView name = xml_.name();
                if (pending_ != nullptr && (name == u"EventID" || name == u"Computer" || name == u"Data")) {
                    *pending_ = name == u"Data" ? text_.toLatin1().toStdString() : Bytes(text_);
                    pending_ = nullptr;
                } else if (name == u"EventData") {
                    inEventData_ = false;
                } else if (name == u"Event" && event_.Open) {
                    event_.Open = false;
                    Finish();
                }
            }
        }
        return xml_.error() == QXmlStreamReader::NoError || xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError;
    }

    void Finish()
    {
        switch (ReadEventStrings(event_.Id, event_.Provider, event_.Computer, event_.Strings, reading_.Matcher, line_)) {
        case EventStatus::Read:
            reading_.Sink.Parsed(line_);
            break;
        case EventStatus::Unread:
            reading_.Sink.UnreadLine(reading_.File, event_.Place);
            break;
        case EventStatus::NotListed:
            reading_.Sink.EventNotListed(event_.Id == kCurrentFormEventId ? 20272 : 20251);
            break;
        case EventStatus::NotConnection:
            break;
        }
    }

    // The XML breaks off: an event it cuts counts as unread when what was
    // read of it makes it a listed RemoteAccess connection.
    void Fault()
    {
        if (event_.Open && IsRemoteAccess(event_.Provider) &&
            (event_.Id == kCurrentFormEventId || event_.Id == kSpeedFormEventId) && reading_.Matcher.Lists(event_.Id))
            reading_.Sink.UnreadLine(reading_.File, event_.Place);
        event_.Open = false;
    }

    const ExportReading& reading_;
    QXmlStreamReader xml_;
    XmlEvent event_;
    bool inEventData_ = false;
    std::string* pending_ = nullptr;  // the value whose text is being read
    QString text_;
    ConnectionLine line_;
};

}  // namespace

bool ReadXmlExport(LogReader& reader, const ExportReading& reading)
{
    XmlEvents events(reading);
    return events.Read(reader);
}

}  // namespace vy
