#include "settings/settings.h"

#include <algorithm>
#include <limits>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "settings/settings_store.h"
#include "settings/settings_table.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

[[noreturn]] void Fail(const char* what, const char* name)
{
    throw SettingsError(std::string(what) + " '" + name + "'");
}

const SettingValue& Row(const char* name)
{
    const SettingValue* row = FindSettingValue(name);
    Q_ASSERT(row);
    return *row;
}

QString ReadText(SettingsStore& store, const SettingValue& row)
{
    const QVariant value = store.Read(row.group, QString::fromLatin1(row.name));
    if (!value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray());
    case QMetaType::QStringList:
        // An INI line edited by hand with unquoted commas comes back as a
        // list; the commas belong to the text.
        return value.toStringList().join(QLatin1Char(','));
    default:
        Fail("Invalid data type for", row.name);
    }
}

int ReadNumber(SettingsStore& store, const SettingValue& row)
{
    const QVariant value = store.Read(row.group, QString::fromLatin1(row.name));
    if (!value.isValid())
        Fail("Failed to get data for", row.name);
    switch (value.typeId()) {
    case QMetaType::Int:
        return value.toInt();
    case QMetaType::UInt:
        // A DWORD above the signed range is the two's complement of a
        // negative number.
        return int(value.toUInt());
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok || number > std::numeric_limits<int>::max() || number < std::numeric_limits<int>::min())
            Fail("Invalid data type for", row.name);
        return int(number);
    }
    case QMetaType::QString:
    case QMetaType::QByteArray:
        if (store.IntegersAsText()) {
            // An optional sign and decimal digits, nothing else, within 32
            // bits; a character beyond Latin-1 turns into "?", no digit.
            const QByteArray text = value.toString().toLatin1();
            if (const auto number = ReadSignedDecimal<int>({text.constData(), static_cast<std::size_t>(text.size())}))
                return *number;
        }
        Fail("Invalid data type for", row.name);
    default:
        Fail("Invalid data type for", row.name);
    }
}

// Writes values one by one; a failure is reported at the value that caused
// it. Values a store holds back reach it at Finish, and a failure there
// belongs to the first of them: none of them was stored.
class ValueWriter {
public:
    explicit ValueWriter(SettingsStore& store) : m_store(store) {}

    void Write(const SettingValue& row, const QVariant& value)
    {
        if (!m_pending)
            m_pending = &row;
        if (!m_store.Write(row.group, QString::fromLatin1(row.name), value))
            Fail("Failed to set data for", row.name);
    }

    void Finish()
    {
        if (m_pending && !m_store.Flush())
            Fail("Failed to set data for", m_pending->name);
        m_pending = nullptr;
    }

private:
    SettingsStore& m_store;
    const SettingValue* m_pending = nullptr;
};

// The record's value of a row, as the store keeps it: flags as 1 or 0.
QVariant StoredForm(const SettingValue& row, const Settings& settings)
{
    switch (row.kind) {
    case ValueKind::Text:
        return settings.*row.text;
    case ValueKind::Integer:
        return settings.*row.integer;
    case ValueKind::Flag:
        return (settings.*row.flag) ? 1 : 0;
    }
    return {};
}

QVariant DefaultForm(const SettingValue& row)
{
    if (row.kind == ValueKind::Text)
        return QString::fromLatin1(row.defaultText);
    return row.defaultNumber;
}

void ReadValue(SettingsStore& store, const SettingValue& row, Settings& settings)
{
    switch (row.kind) {
    case ValueKind::Text:
        settings.*row.text = ReadText(store, row);
        break;
    case ValueKind::Integer:
        settings.*row.integer = ReadNumber(store, row);
        break;
    case ValueKind::Flag:
        settings.*row.flag = ReadNumber(store, row) != 0;
        break;
    }
}

void SetDefault(const SettingValue& row, Settings& settings)
{
    switch (row.kind) {
    case ValueKind::Text:
        settings.*row.text = QString::fromLatin1(row.defaultText);
        break;
    case ValueKind::Integer:
        settings.*row.integer = row.defaultNumber;
        break;
    case ValueKind::Flag:
        settings.*row.flag = row.defaultNumber != 0;
        break;
    }
}

void WriteFirstRunDefaults(ValueWriter& writer, const QString& programFile)
{
    for (const SettingValue& row : SettingValues())
        if (row.group == SettingsGroup::Window && !row.optional)
            writer.Write(row, DefaultForm(row));

    const QString installDir = InstallDirOf(programFile);
    for (const SettingValue& row : SettingValues()) {
        if (row.group != SettingsGroup::Main || row.optional)
            continue;
        if (row.text == &Settings::LogDir)
            writer.Write(row, DemoLogDir(installDir));
        else if (row.text == &Settings::InstallDir)
            writer.Write(row, installDir);
        else
            writer.Write(row, DefaultForm(row));
    }
}

}  // namespace

QString InstallDirOf(const QString& programFile)
{
    QString folder = QDir::toNativeSeparators(QFileInfo(programFile).absolutePath());
    const QChar separator = QDir::separator();
    // "C:\" becomes "C:", as the folder of a program on a drive's root; "/"
    // stays, since an empty InstallDir would mean "never prepared" and reset
    // every setting at each start.
    while (folder.size() > 1 && folder.endsWith(separator))
        folder.chop(1);
    return folder;
}

QString DemoLogDir(const QString& installDir)
{
    const QChar separator = QDir::separator();
    if (installDir.endsWith(separator))
        return installDir + QStringLiteral("DemoLog");
    return installDir + separator + QStringLiteral("DemoLog");
}

Settings& ProcessSettings()
{
    static Settings settings;
    return settings;
}

bool PrepareSettings(SettingsStore& store, const QString& programFile)
{
    ValueWriter writer(store);
    if (ReadText(store, Row("Version")) == QLatin1String("2.0")) {
        for (const char* name : {"NEvents", "FileFilter", "Version", "TreeWidth"}) {
            const SettingValue& row = Row(name);
            writer.Write(row, DefaultForm(row));
        }
        // Stored before the next read, which may fail.
        writer.Finish();
    }
    if (!ReadText(store, Row("InstallDir")).isEmpty())
        return false;
    WriteFirstRunDefaults(writer, programFile);
    writer.Finish();
    return true;
}

void LoadSettings(SettingsStore& store, Settings& settings)
{
    for (const SettingValue& row : SettingValues()) {
        try {
            ReadValue(store, row, settings);
        } catch (const SettingsError&) {
            if (!row.optional)
                throw;
            SetDefault(row, settings);
        }
    }
    if (auto command = SystemBrowserCommand())
        settings.BrowserCommand = std::move(*command);
}

void SaveSettings(SettingsStore& store, const Settings& settings)
{
    static const std::vector<const SettingValue*> order = [] {
        std::vector<const SettingValue*> rows;
        for (const SettingValue& row : SettingValues())
            if (row.saveRank > 0)
                rows.push_back(&row);
        std::sort(rows.begin(), rows.end(),
                  [](const SettingValue* a, const SettingValue* b) { return a->saveRank < b->saveRank; });
        return rows;
    }();
    ValueWriter writer(store);
    for (const SettingValue* row : order)
        writer.Write(*row, StoredForm(*row, settings));
    writer.Finish();
}

void SaveLogDir(SettingsStore& store, const Settings& settings)
{
    const SettingValue& row = Row("LogDir");
    ValueWriter writer(store);
    writer.Write(row, StoredForm(row, settings));
    writer.Finish();
}

bool PrepareSettings(const QString& programFile)
{
    return PrepareSettings(*OpenUserSettings(), programFile);
}

void LoadSettings(Settings& settings)
{
    LoadSettings(*OpenUserSettings(), settings);
}

void SaveSettings(const Settings& settings)
{
    SaveSettings(*OpenUserSettings(), settings);
}

void SaveLogDir(const Settings& settings)
{
    SaveLogDir(*OpenUserSettings(), settings);
}

}  // namespace vy
