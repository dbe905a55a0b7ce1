#include "ValueStrings.h"

#include "ImportedServices.h"

kel::ObjectPtr<kel::IString> CreateHostString(std::string_view text) {
  kel::ObjectPtr<kel::IString> string;
  const kel::ObjectPtr<kel::IStringFactory> factory = kel::GetStringFactory();
  if (factory) factory->CreateString(text.data(), string.Put());  // result not examined
  return string;
}
