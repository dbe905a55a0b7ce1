// The plug-in object as a host receives it from the loaded module through GetExport.
#include <gtest/gtest.h>

#include "ModuleUnderTest.h"

namespace kel::testing {
namespace {

constexpr char kPluginContractId[] = "com.velkora.zq.client.IPlugin/1.0";

class PluginExportTest : public LoadedModuleTest {};

// Right after load the module holds the plug-in's only reference; each GetExport hands out
// the same IPlugin pointer with one more, which the host gives back before unloading.
TEST_F(PluginExportTest, HandsOutThePluginWithOneMoreReferencePerCall) {
  IObjectBase* first = nullptr;
  ASSERT_EQ(getExport_(kPluginExportId, &first), result::kOk);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetRefCount(), 2u) << "one reference held by the module, one for the host";

  IObjectBase* second = nullptr;
  ASSERT_EQ(getExport_(kPluginExportId, &second), result::kOk);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first->GetRefCount(), 3u);

  EXPECT_EQ(second->Release(), 2u);
  EXPECT_EQ(first->Release(), 1u) << "the module's own reference remains";
}

// The exported pointer is the plug-in's IPlugin interface, which is also its identity.
TEST_F(PluginExportTest, ExportedPointerIsTheIPluginInterfaceAndTheIdentity) {
  IObjectBase* exported = nullptr;
  ASSERT_EQ(getExport_(kPluginExportId, &exported), result::kOk);
  ASSERT_NE(exported, nullptr);
  for (const char* contract : {kPluginContractId, IObjectBase::kContractId}) {
    SCOPED_TRACE(contract);
    void* answered = nullptr;
    ASSERT_EQ(exported->QueryInterface(contract, &answered), result::kOk);
    EXPECT_EQ(answered, static_cast<void*>(exported));
    static_cast<IObjectBase*>(answered)->Release();
  }
  EXPECT_EQ(exported->Release(), 1u);
}

// Failed lookups take no reference of the plug-in.
TEST_F(PluginExportTest, FailedLookupsLeaveThePluginCountAlone) {
  IObjectBase* plugin = nullptr;
  ASSERT_EQ(getExport_(kPluginExportId, &plugin), result::kOk);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(getExport_(kPluginExportId, nullptr), result::kNotFound);
  IObjectBase* out = plugin;
  EXPECT_EQ(getExport_("com.velkora.zq.CCommandLineParametersParserPlugin/1.1", &out),
            result::kNotFound);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(plugin->GetRefCount(), 2u);
  EXPECT_EQ(plugin->Release(), 1u);
}

}  // namespace
}  // namespace kel::testing
