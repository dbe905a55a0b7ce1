// The host's module loader: the manifest reader on byte strings, the module file reader on
// the built module and on what is no module, and LoadedPlugin's own bookkeeping. The kelhost
// tests go through all three with every printed byte compared.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "StdoutCapture.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/LoadedPlugin.h"
#include "kel/host/ModuleFile.h"
#include "kel/host/ModuleLibrary.h"

namespace kel::host {
namespace {

using ::kel::testing::StdoutCapture;
using ::testing::StartsWith;

// What the reader made of a manifest, ended by '.', or its failure text.
std::string Read(const std::string& xml) {
  const Outcome<PluginManifest> manifest = ParsePluginManifest(xml);
  if (!manifest) return manifest.Error();
  std::string read = "id " + manifest.Value().exportId;
  for (const std::string& contract : manifest.Value().contracts) read += "; contract " + contract;
  for (const ManifestImport& import : manifest.Value().imports) {
    read += "; import " + import.property + " " + import.contract;
  }
  return read + ".";
}

const std::string kId = "<id>com.x/1.0</id>";
const std::string kImport = "<import><property>P</property><contract>c/1.0</contract></import>";

std::string Export(const std::string& inside) {
  return "<plugcfg><export>" + inside + "</export></plugcfg>";
}

TEST(Loader, ManifestReaderTakesXmlAsDefinedAndRefusesEveryFlaw) {
  const std::string bad = "not well-formed XML";
  std::string deep = "<plugcfg>";
  for (int level = 0; level < 300; ++level) deep += "<a>";
  const std::pair<std::string, std::string> rows[] = {
      // Texts trimmed of XML white space; references, CDATA, a byte-order mark, attributes,
      // comments and unknown elements as XML defines them; imports in document order.
      {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<plugcfg version='1' note=\"a&lt;b\"><!-- c -->"
       "<export><contract> k </contract><id>\r\n\tcom.x.A&amp;B/&#49;.&#x30; </id><note>n</note>"
       "<import><contract>c/2.0</contract><property><![CDATA[Second]]></property></import>"
       "<import><property>Fi<!-- split -->rst</property><contract>c/1.0</contract></import>"
       "</export></plugcfg>",
       "id com.x.A&B/1.0; contract k; import Second c/2.0; import First c/1.0."},
      {"PLUGCFG", bad},
      {"<plugcfg><export>" + kId + "</plugcfg></export>", bad},
      {Export(kId) + "<plugcfg/>", bad},
      {"<!DOCTYPE plugcfg><plugcfg/>", bad + ": a document type declaration is not read"},
      {" <?xml version='1.0'?><plugcfg/>", bad + ": an XML declaration that does not open"},
      {"<plugcfg>&nbsp;</plugcfg>", bad + ": '&' that starts no known reference"},
      {"<plugcfg>&#xD800;</plugcfg>", bad + ": a character reference to no character"},
      {"<plugcfg>\x01</plugcfg>", bad + ": a control character"},
      {"<plugcfg>]]></plugcfg>", bad + ": ']]>' outside a CDATA section"},
      {"<plugcfg><!-- a -- b --></plugcfg>", bad + ": '--' inside a comment"},
      {"<plugcfg version=1/>", bad + ": an attribute value without quotes"},
      {"<plugcfg a='1' a='2'/>", bad + ": an attribute given twice"},
      {"<plugcfg a='<'/>", bad + ": '<' inside an attribute value"},
      {deep, bad + ": elements nested more than 256 deep"},
      {"<plugin><export>" + kId + "</export></plugin>", "root element is <plugin>, expected"},
      {"<plugcfg>" + kId + "</plugcfg>", "<plugcfg> has 0 <export> elements"},
      {"<plugcfg><export/><export/></plugcfg>", "<plugcfg> has 2 <export> elements"},
      {Export(kImport), "<export> has 0 <id> elements"},
      {Export(kId + kId), "<export> has 2 <id> elements"},
      {"<plugcfg>" + kId + "<export/></plugcfg>", "<export> has 0 <id> elements"},
      {Export("<id> \r\n </id>"), "<export> has an empty <id>"},
      {Export(kId + "<contract/>"), "<export> has an empty <contract>"},
      {Export(kId + "<import><property>P</property></import>"), "<import> 1 has 0 <contract>"},
      {Export(kId + kImport + "<import><property/><contract>c</contract></import>"),
       "<import> 2 has an empty <property>"},
  };
  for (const auto& [xml, read] : rows) EXPECT_THAT(Read(xml), StartsWith(read)) << xml;
  // The module's own manifest, cut short anywhere before the end of its root.
  const std::string manifest = ReadFileBytes(KEL_PLUGCFG_REFERENCE_PATH).Value();
  const std::size_t complete = manifest.find("</plugcfg>") + std::string("</plugcfg>").size();
  for (std::size_t length = 0; length < complete; ++length) {
    ASSERT_THAT(Read(manifest.substr(0, length)), StartsWith("not well-formed XML")) << length;
  }
}

// What the reader finds in the built module, kelhost inspect shows. What cannot be opened is
// named by its path, what is no module by its file name; every table is checked against the
// bytes, so the module cut short in its headers or inside its manifest is refused, never read
// past its end (which the sanitizer builds would see).
TEST(Loader, ModuleFileReaderRefusesWhatIsNoModule) {
  const std::string missing = std::string(KEL_MODULE_PATH) + ".missing";
  EXPECT_THAT(ReadModuleFile(missing).Error(), StartsWith(missing + ": "));
  EXPECT_THAT(ReadModuleFile(KEL_PLUGCFG_REFERENCE_PATH).Error(), StartsWith("plugcfg.xml: not a"));
  const std::string module = ReadFileBytes(KEL_MODULE_PATH).Value();
  const std::size_t manifest = module.find(ReadFileBytes(KEL_PLUGCFG_REFERENCE_PATH).Value());
  for (const std::size_t length : {std::size_t{0}, std::size_t{64}, manifest + 100}) {
    EXPECT_FALSE(ReadModuleImage(std::string_view(module).substr(0, length))) << length;
  }
  EXPECT_TRUE(ReadModuleImage(module));
}

// The loader injects a proxy and its service for each import of the manifest, and gives
// everything back when the module goes.
TEST(Loader, LoadedPluginInjectsEachImportAndUnloadsWhenItsLastOwnerGoes) {
  StdoutCapture output;
  Outcome<LoadedPlugin> loaded = LoadedPlugin::Load(KEL_MODULE_PATH);
  ASSERT_TRUE(loaded) << loaded.Error();
  EXPECT_EQ(LiveObjects::Describe(),
            "StringFactory: 1, CollectionFactory: 1, ExportProxy: 3, Logger: 1");
  LoadedPlugin moved(std::move(loaded).Value());
  EXPECT_TRUE(moved.IsLoaded() && !loaded.Value().IsLoaded());  // NOLINT(bugprone-use-after-move)
  moved = std::move(loaded).Value();  // assigning an empty one over it unloads
  EXPECT_FALSE(ModuleLibrary::IsLoaded(KEL_MODULE_PATH));
  EXPECT_EQ(LiveObjects::Describe(), "");
  EXPECT_EQ(output.Finish(),
            kel::testing::WithStdoutLineEnds("PlugDLL created\nPlugDLL deleted\n"));
}

}  // namespace
}  // namespace kel::host
