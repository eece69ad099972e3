#include "app/CProfileStore.h"

#include <QSettings>
#include <QStringList>

#include <limits>

namespace tessaron {

namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CProfileStore::CProfileStore()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Quorvel"), QStringLiteral("Tessaron")))
{
    // The user's own file only: nothing from an organisation-wide or system-wide file.
    settings_->setFallbacksEnabled(false);
    settings_->beginGroup(QStringLiteral("Settings"));
}

CProfileStore::~CProfileStore() = default;

int32_t CProfileStore::ReadInt(std::string_view key, int32_t fallback)
{
    const QVariant value = settings_->value(ToQString(key));
    if (!value.isValid()) {
        return fallback;
    }
    // A value edited by hand may be anything; what is not a 32-bit integer counts as missing.
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max()) {
        return fallback;
    }
    return static_cast<int32_t>(number);
}

std::string CProfileStore::ReadString(std::string_view key, std::string_view fallback)
{
    const QVariant value = settings_->value(ToQString(key));
    if (!value.isValid()) {
        return std::string(fallback);
    }
    // An unquoted value with commas, written by hand, comes back as a list: join it again.
    if (value.metaType().id() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}

void CProfileStore::WriteInt(std::string_view key, int32_t value)
{
    settings_->setValue(ToQString(key), value);
}

void CProfileStore::WriteString(std::string_view key, std::string_view value)
{
    settings_->setValue(ToQString(key), ToQString(value));
}

bool CProfileStore::Flush()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

}  // namespace tessaron
