// XML exports: Event Viewer "Save as XML", wevtutil qe /f:xml or
// /f:RenderedXml. Read as a stream cut at each "<Event" start, whatever its
// line length, each event parsed on its own: anything around the events
// (declarations, comments, a DOCTYPE, the roots of several exports appended
// into one file) is passed over, and a damaged event costs that event alone.
// Only <System> tells the source, the ID and the computer: <RenderingInfo>
// repeats some of those names as display texts.

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <QString>
#include <QXmlStreamReader>

#include "scan/event_strings.h"
#include "scan/forms/log_form_table.h"
#include "scan/name_text.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Where an <Event> element starts in text at or after from: "<Event" and a
// blank, ">" or "/" (not <Events>, <EventID> or <EventData>).
std::size_t EventStart(std::string_view text, std::size_t from)
{
    for (std::size_t at = text.find("<Event", from); at != npos; at = text.find("<Event", at + 1)) {
        if (at + 6 >= text.size())
            return at;  // not known yet: taken as a start, decided with more text
        if (std::string_view(" >/\t\r\n").find(text[at + 6]) != npos)
            return at;
    }
    return npos;
}

// Whether an event's text may be a RemoteAccess connection event: it names
// the provider (in any letter case) and holds one of the two IDs, or it
// holds markup that could spell or split them (a reference, a CDATA section,
// a comment, a processing instruction). No other event is a connection,
// whatever it holds, so it need not be parsed: most of a System log's
// events, and the provider's other events.
bool MayBeConnectionEvent(std::string_view text)
{
    struct Folded {
        std::size_t operator()(char c) const { return static_cast<unsigned char>(AsciiLower(c)); }
        bool operator()(char a, char b) const { return AsciiLower(a) == AsciiLower(b); }
    };
    static const std::boyer_moore_horspool_searcher provider(kRemoteAccessProvider.begin(),
                                                             kRemoteAccessProvider.end(), Folded(), Folded());
    if (text.find('&') != npos)
        return true;
    for (std::size_t at = text.find('<'); at != npos && at + 1 < text.size(); at = text.find('<', at + 1))
        if (text[at + 1] == '!' || text[at + 1] == '?')
            return true;
    return std::search(text.begin(), text.end(), provider) != text.end() &&
           (text.find(kSpeedFormEventId) != npos || text.find(kCurrentFormEventId) != npos);
}

std::string Bytes(QStringView text) { return text.trimmed().toLatin1().toStdString(); }

class XmlEvents {
public:
    explicit XmlEvents(FormReading& reading) : reading_(reading) {}

    bool Read()
    {
        LogReader& reader = reading_.Reader;
        std::string_view block;
        while (reader.NextBlock(block)) {
            const std::size_t searchFrom = text_.size() >= 6 ? text_.size() - 6 : 0;
            text_.append(block);
            std::size_t at = EventStart(text_, std::max(searchFrom, start_ == npos ? 0 : start_ + 1));
            for (; at != npos && at + 6 < text_.size(); at = EventStart(text_, at + 1)) {
                if (start_ != npos)
                    Event(std::string_view(text_).substr(start_, at - start_));
                else
                    lines_ += CountLineEnds(std::string_view(text_).substr(0, at));
                start_ = at;
            }
            // Keep the event in hand only; before the first, nothing.
            const std::size_t keep = start_ != npos ? start_ : text_.size() > 6 ? text_.size() - 6 : 0;
            if (start_ == npos)
                lines_ += CountLineEnds(std::string_view(text_).substr(0, keep));
            text_.erase(0, keep);
            if (start_ != npos)
                start_ = 0;
            reading_.Progress.Line(reading_.FileStart + static_cast<double>(reader.Consumed()), false);
            if (reading_.Sink.Stopped())
                return false;
        }
        if (start_ != npos)
            Event(text_);
        return true;
    }

private:
    // One event's text, from its "<Event" up to the next one's.
    void Event(std::string_view raw)
    {
        const std::int64_t line = lines_ + 1;
        lines_ += CountLineEnds(raw);
        const std::string_view text = DecodeLine(raw, reading_.Reader.Encoding(), decoded_);
        if (!MayBeConnectionEvent(text))
            return;
        QXmlStreamReader xml(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        id_.clear();
        provider_.clear();
        computer_.clear();
        strings_.clear();
        int depth = 0;
        bool inSystem = false, inData = false, closed = false;
        std::string* pending = nullptr;
        QString value;
        while (!closed && !xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                ++depth;
                const QStringView name = xml.name();
                if (depth == 2) {
                    inSystem = name == u"System";
                    inData = name == u"EventData";
                } else if (depth == 3 && inSystem && name == u"Provider") {
                    provider_ = Bytes(xml.attributes().value(QStringLiteral("Name")));
                } else if (depth == 3 && ((inSystem && (name == u"EventID" || name == u"Computer")) ||
                                          (inData && name == u"Data"))) {
                    if (name == u"Data") {
                        strings_.emplace_back();
                        pending = &strings_.back();
                    } else {
                        pending = name == u"EventID" ? &id_ : &computer_;
                    }
                    value.clear();
                }
            } else if (token == QXmlStreamReader::Characters) {
                if (pending != nullptr)
                    value.append(xml.text());
            } else if (token == QXmlStreamReader::EndElement) {
                if (pending != nullptr && depth == 3) {
                    *pending = inData ? value.toLatin1().toStdString() : Bytes(value);
                    pending = nullptr;
                }
                closed = --depth == 0;
            }
        }
        if (!closed) {
            Damaged(raw, line);
            return;
        }
        ConnectionLine values;
        switch (ReadEventStrings(id_, provider_, computer_, strings_, reading_.Matcher, values)) {
        case EventStatus::Read:
            MakeNamesData(values, room_);
            reading_.Sink.Parsed(values);
            break;
        case EventStatus::Unread:
            reading_.Sink.UnreadLine(reading_.File, line);
            break;
        case EventStatus::NotListed:
            reading_.Sink.EventNotListed(RemoteAccessConnectionEvent(id_, provider_));
            break;
        case EventStatus::NotConnection:
            break;
        }
    }

    // An event the XML breaks in: unread when it is a listed RemoteAccess
    // connection by what could be read of it, or by its text.
    void Damaged(std::string_view raw, std::int64_t line)
    {
        std::string_view id = id_;
        if (id.empty()) {
            const std::size_t tag = raw.find("<EventID");
            const std::size_t open = tag == npos ? npos : raw.find('>', tag);
            if (open != npos)
                id = Trimmed(raw.substr(open + 1, raw.find('<', open) - open - 1));
        }
        const bool source = provider_.empty() ? raw.find(kRemoteAccessProvider) != npos : IsRemoteAccess(provider_);
        if (source && RemoteAccessConnectionEvent(id, kRemoteAccessProvider) && reading_.Matcher.Lists(id))
            reading_.Sink.UnreadLine(reading_.File, line);
    }

    static std::string_view Trimmed(std::string_view text)
    {
        const std::size_t first = text.find_first_not_of(" \t\r\n");
        return first == npos ? std::string_view() : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    }

    FormReading& reading_;
    std::string text_;       // the text not yet parsed
    std::size_t start_ = npos;  // where the event in hand starts in it
    std::int64_t lines_ = 0;    // line ends before text_ (and, once parsed, in the events)
    std::string decoded_;
    std::string id_, provider_, computer_;
    std::vector<std::string> strings_;
    NameRoom room_;
};

// The head, past blanks, comments, processing instructions and a DOCTYPE,
// begins with an element of the export.
bool IsXmlExport(std::string_view head)
{
    std::size_t at = 0;
    for (;;) {
        at = head.find_first_not_of(" \t\r\n", at);
        if (at == npos)
            return false;
        const std::string_view rest = head.substr(at);
        std::string_view close;
        if (rest.starts_with("<?"))
            close = "?>";
        else if (rest.starts_with("<!--"))
            close = "-->";
        else if (rest.starts_with("<!DOCTYPE"))
            close = ">";
        else
            return rest.starts_with("<Events") || EventStart(rest, 0) == 0;
        const std::size_t end = head.find(close, at + 2);
        if (end == npos)
            return false;
        at = end + close.size();
    }
}

}  // namespace

extern const LogFormEntry kXmlForm{"XML", IsXmlExport, [](FormReading& reading) { return XmlEvents(reading).Read(); }};

}  // namespace vy
