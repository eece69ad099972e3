#pragma once

#include <memory>

#include "app/IProfileStore.h"

class QSettings;

namespace tessaron {

// The profile store of the user: QSettings("Quorvel", "Tessaron"), group "Settings", which is
// ~/.config/Quorvel/Tessaron.conf. Writes reach the file at the latest when the store is destroyed.
class CProfileStore : public IProfileStore {
public:
    CProfileStore();
    ~CProfileStore() override;
    CProfileStore(const CProfileStore&) = delete;
    CProfileStore& operator=(const CProfileStore&) = delete;

    int32_t ReadInt(std::string_view key, int32_t fallback) override;
    std::string ReadString(std::string_view key, std::string_view fallback) override;
    void WriteInt(std::string_view key, int32_t value) override;
    void WriteString(std::string_view key, std::string_view value) override;

    // Writes pending changes now; false when the file could not be written.
    bool Flush();

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace tessaron
