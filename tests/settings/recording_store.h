#pragma once
// A settings store in memory that records every write in order and can be
// told to refuse the write of one value, or the final flush.

#include <map>
#include <utility>
#include <vector>

#include <QString>
#include <QVariant>

#include "settings/settings_store.h"

namespace vy::testing {

class RecordingStore : public SettingsStore {
public:
    explicit RecordingStore(bool integersAsText = true) : m_integersAsText(integersAsText) {}

    QVariant Read(SettingsGroup group, const QString& name) override
    {
        reads.push_back(Key(group, name));
        const auto found = values.find(Key(group, name));
        return found == values.end() ? QVariant() : found->second;
    }

    bool Write(SettingsGroup group, const QString& name, const QVariant& value) override
    {
        if (name == refuseWriteOf)
            return false;
        writes.push_back(Key(group, name));
        values[Key(group, name)] = value;
        return true;
    }

    bool Flush() override
    {
        ++flushes;
        return !refuseFlush;
    }

    bool IntegersAsText() const override { return m_integersAsText; }

    static QString Key(SettingsGroup group, const QString& name) { return GroupName(group) + '/' + name; }

    void Put(const QString& key, const QVariant& value) { values[key] = value; }
    QVariant Get(const QString& key) const
    {
        const auto found = values.find(key);
        return found == values.end() ? QVariant() : found->second;
    }

    std::map<QString, QVariant> values;
    std::vector<QString> writes;
    std::vector<QString> reads;
    QString refuseWriteOf;
    bool refuseFlush = false;
    int flushes = 0;

private:
    bool m_integersAsText;
};

}  // namespace vy::testing
