#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QObject>
#include <QtTest>

#include "app/CChordwayApp.h"
#include "app/CMainFrame.h"
#include "app/IProfileStore.h"
#include "audioout/CSoundDevice.h"

namespace tessaron::test {

// Test classes of this executable register under their name; `tests_views NAME` runs one.
using ViewTestRunner = std::function<int(int argc, char** argv)>;
std::map<std::string, ViewTestRunner>& ViewTests();

template <class T>
struct ViewTestRegistration {
    explicit ViewTestRegistration(const char* name)
    {
        ViewTests()[name] = [](int argc, char** argv) {
            T test;
            return QTest::qExec(&test, argc, argv);
        };
    }
};

#define TESSARON_VIEW_TEST(Class) static const ::tessaron::test::ViewTestRegistration<Class> registration##Class(#Class)

// The settings store kept in memory: what was written, key by key.
class MemoryProfileStore : public IProfileStore {
public:
    explicit MemoryProfileStore(std::map<std::string, std::string>* values) : values_(values) {}
    int32_t ReadInt(std::string_view key, int32_t fallback) override
    {
        const auto found = values_->find(std::string(key));
        return found == values_->end() ? fallback : std::stoi(found->second);
    }
    std::string ReadString(std::string_view key, std::string_view fallback) override
    {
        const auto found = values_->find(std::string(key));
        return found == values_->end() ? std::string(fallback) : found->second;
    }
    void WriteInt(std::string_view key, int32_t value) override { (*values_)[std::string(key)] = std::to_string(value); }
    void WriteString(std::string_view key, std::string_view value) override
    {
        (*values_)[std::string(key)] = std::string(value);
    }

private:
    std::map<std::string, std::string>* values_;
};

// An application with its frame created on the offline output, its settings in `values`.
struct FrameUnderTest {
    std::map<std::string, std::string> values;
    std::unique_ptr<CChordwayApp> app;
    std::unique_ptr<CMainFrame> frame;

    FrameUnderTest()
    {
        app = std::make_unique<CChordwayApp>(std::make_unique<MemoryProfileStore>(&values));
        frame = std::make_unique<CMainFrame>(*app);
    }
    bool Create() { return frame->Create(); }
};

}  // namespace tessaron::test
