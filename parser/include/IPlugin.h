// The plug-in interface every exported plug-in object answers.
#pragma once

#include "kel/IObjectBase.h"

class IPlugin : public kel::IObject {
 public:
  static constexpr kel::ContractId kContractId = "com.velkora.zq.client.IPlugin/1.0";

  // A hook for the host; reads no argument, changes nothing and returns 0.
  virtual kel::ResultCode PluginHook(void* hostContext) = 0;

 protected:
  ~IPlugin() = default;
};
