// The module's one exported object: receives the command line and holds the current result.
#pragma once

#include <cstdint>

#include "ICommandLineParameters.h"
#include "ICommandLineParametersParser.h"
#include "IPlugin.h"
#include "kel/IImportsContainer.h"
#include "kel/ImportsContainerImpl.h"
#include "kel/ObjectImpl.h"
#include "kel/ObjectLifetime.h"
#include "kel/ObjectOperations.h"
#include "kel/RefCount.h"
#include "kel/Singleton.h"

// One object behind three interfaces: whichever the caller holds, every IObject operation
// acts on the one count, observer list and owner thread id, and the root contracts are
// always answered with the IPlugin interface, the object's identity.
//
// Threads: counting is atomic and the observer list has its own lock; the current result
// and the import table are plain fields, so Parse must not run at the same time as another
// Parse or a GetParameters, and the host injects its imports before parsing.
//
// Destroyed in the order: current result released, "Destroyed" notice, imports released.
class CCommandLineParametersParserPlugin final
    : public IPlugin,
      public ICommandLineParametersParser,
      public kel::IImportsContainer,
      public kel::Singleton<CCommandLineParametersParserPlugin, IPlugin>,
      public kel::ImportsContainerImpl<CCommandLineParametersParserPlugin>,
      private kel::ObjectImpl {
 public:
  static constexpr kel::ContractId kExportId =
      "com.velkora.zq.CCommandLineParametersParserPlugin/1.0";

  KEL_IOBJECT_OPERATIONS

  kel::ResultCode PluginHook(void* hostContext) override;

  kel::ResultCode Parse(std::int32_t argc, const char* const* argv) override;
  kel::ResultCode GetParameters(ICommandLineParameters** out) override;

  kel::ResultCode SetImport(const char* property, kel::IObjectBase* object) override {
    return ImportsContainerImpl::SetImport(property, object);
  }
  kel::ResultCode Reserved1() override { return ImportsContainerImpl::Reserved1(); }
  kel::ResultCode Reserved2() override { return ImportsContainerImpl::Reserved2(); }
  kel::ResultCode ClearImports() override { return ImportsContainerImpl::ClearImports(); }

 private:
  friend class kel::ObjectLifetime;
  CCommandLineParametersParserPlugin() = default;
  ~CCommandLineParametersParserPlugin() { InstanceEnds(); }

  kel::AtomicRefCount refCount_;
  kel::ObjectPtr<ICommandLineParameters> currentResult_;  // owns one reference; empty until Parse
};
