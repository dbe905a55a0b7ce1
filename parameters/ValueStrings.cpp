#include "ValueStrings.h"

#include "ImportedServices.h"

kel::ObjectPtr<kel::IString> CreateHostString(const std::string& text) {
  kel::ObjectPtr<kel::IString> string;
  const kel::ObjectPtr<kel::IStringFactory> factory = kel::GetStringFactory();
  if (factory) factory->CreateString(text.c_str(), string.Put());  // result not examined
  return string;
}
