#pragma once

#include "Platform/SettingsStore.h"

#include <QHash>

namespace vesperline::platform {

// Settings kept in memory with exactly the types they were given, so a test can plant any value.
class MemorySettingsStore final : public SettingsStore {
  public:
    QHash<QString, QVariant> values;

    QVariant value(const QString& key) const override { return values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { values.insert(key, value); }
    void remove(const QString& key) override { values.remove(key); }
};

} // namespace vesperline::platform
