// The module as the host first meets it: the descriptor record, the single
// plug-in object behind getPlugin/deleteMe, and the window interface.
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "host/plugin_host.h"

using Quintra::Plugin::PluginWindow;
using Quintra::Plugin::QuintraPlugin;
using testhost::FakeConsole;
using testhost::FakeGame;
using testhost::TapeloomModulePath;

namespace {

template <typename T> T ReadAt(const unsigned char* bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

class ModuleLoading : public testing::Test {
protected:
    void TearDown() override { library.DeleteMe(); }

    sandbox::PluginModule library{TapeloomModulePath()};
};

TEST_F(ModuleLoading, DescriptorHasTheHostLayoutByteForByte) {
    const auto* bytes = static_cast<const unsigned char*>(library.Symbol("exports"));
    ASSERT_NE(bytes, nullptr);

    EXPECT_EQ(ReadAt<std::int32_t>(bytes, 0), 95);
    EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 4), 0u);
    const char* fileName = ReadAt<const char*>(bytes, 8);
    ASSERT_NE(fileName, nullptr);
    EXPECT_NE(std::string(fileName).find("Tapeloom.cpp"), std::string::npos) << fileName;
    EXPECT_STREQ(ReadAt<const char*>(bytes, 16), "Tapeloom");
    EXPECT_STREQ(ReadAt<const char*>(bytes, 24), "A plugin for viewing replays");
    EXPECT_STREQ(ReadAt<const char*>(bytes, 32), "1.0.VERSION_BOLD");
    EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 40), 1u);
    EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 44), 0u);
    EXPECT_EQ(ReadAt<void*>(bytes, 48), library.Symbol("getPlugin"));
    EXPECT_EQ(ReadAt<void*>(bytes, 56), library.Symbol("deleteMe"));
    EXPECT_NE(library.Symbol("getPlugin"), nullptr);
    EXPECT_NE(library.Symbol("deleteMe"), nullptr);
}

TEST_F(ModuleLoading, GetPluginCreatesOneObjectAndReturnsTheSameHandle) {
    auto* first = library.GetPlugin();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->get(), nullptr);
    QuintraPlugin* object = first->get();

    auto* second = library.GetPlugin();
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->get(), object);
    EXPECT_EQ(second->use_count(), 1);
    EXPECT_EQ(object->cvarManager, nullptr);
    EXPECT_EQ(object->gameWrapper, nullptr);
}

TEST_F(ModuleLoading, DeleteMeWithoutObjectDoesNothingAndANewObjectStartsFresh) {
    library.DeleteMe();
    library.DeleteMe();

    auto* handle = library.GetPlugin();
    (*handle)->cvarManager = std::make_shared<FakeConsole>();
    (*handle)->gameWrapper = std::make_shared<FakeGame>();
    (*handle)->onLoad();
    library.DeleteMe();
    EXPECT_EQ(*handle, nullptr);

    auto* again = library.GetPlugin();
    ASSERT_NE(*again, nullptr);
    EXPECT_EQ((*again)->cvarManager, nullptr);
    EXPECT_EQ((*again)->gameWrapper, nullptr);
}

TEST_F(ModuleLoading, HostCopySurvivesDeleteMeAndItsReleaseDestroysTheObject) {
    std::vector<std::string> released;
    auto console = std::make_shared<FakeConsole>();
    auto game = std::make_shared<FakeGame>();
    console->destructionLog = &released;
    game->destructionLog = &released;
    std::weak_ptr<FakeConsole> consoleSeen = console;
    std::weak_ptr<FakeGame> gameSeen = game;

    std::shared_ptr<QuintraPlugin>* handle = library.GetPlugin();
    std::shared_ptr<QuintraPlugin> hostCopy = *handle;
    hostCopy->cvarManager = std::move(console);
    hostCopy->gameWrapper = std::move(game);

    library.DeleteMe();
    EXPECT_EQ(*handle, nullptr) << "deleteMe empties the module's handle";
    ASSERT_FALSE(gameSeen.expired()) << "the host's copy keeps the object alive";
    EXPECT_EQ(hostCopy.use_count(), 1);
    EXPECT_TRUE(released.empty());

    hostCopy.reset();
    EXPECT_TRUE(gameSeen.expired());
    EXPECT_TRUE(consoleSeen.expired());
    EXPECT_EQ(released, (std::vector<std::string>{"game", "console"}));
}

TEST_F(ModuleLoading, HostFindsTheWindowInterfaceByDynamicCast) {
    std::shared_ptr<QuintraPlugin> plugin = *library.GetPlugin();
    std::shared_ptr<PluginWindow> window = std::dynamic_pointer_cast<PluginWindow>(plugin);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->MenuName(), "Tapeloom");
    EXPECT_EQ(window->MenuTitle(), "Tapeloom");
    EXPECT_TRUE(window->IsOverlayActive());
}

TEST(ModuleUnloading, OnLoadKeepsTheConsoleForTheLogUntilTheModuleUnloads) {
    auto console = std::make_shared<FakeConsole>();
    {
        sandbox::PluginModule library{TapeloomModulePath()};
        std::shared_ptr<QuintraPlugin>* handle = library.GetPlugin();
        (*handle)->cvarManager = console;
        (*handle)->gameWrapper = std::make_shared<FakeGame>();
        (*handle)->onLoad();
        library.DeleteMe();
        console->notifiers.clear(); // the module's code goes with it
        EXPECT_EQ(console.use_count(), 2) << "the log's handle outlives the plug-in object";
    }
    EXPECT_EQ(console.use_count(), 1) << "unloading the module releases the log's handle";
}

} // namespace
