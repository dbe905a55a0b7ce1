// The manifest reader on byte strings: manifests that are broken in each way a host must
// refuse, and the module's own manifest cut short. kelhost inspect shows what the reader
// makes of the module's whole manifest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kel/host/ModuleFile.h"
#include "kel/host/PluginManifest.h"

namespace kel::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string ReferenceManifest() {
  const Outcome<std::string> bytes = ReadFileBytes(KEL_PLUGCFG_REFERENCE_PATH);
  EXPECT_TRUE(bytes) << bytes.Error();
  return bytes ? bytes.Value() : std::string();
}

// Texts are trimmed of XML white space, entities, character references and CDATA are
// resolved, a byte-order mark, attributes, comments and unknown elements do not count, and
// the order of imports is the document's.
TEST(ParsePluginManifest, TakesTextsAsXmlDefinesThem) {
  const Outcome<PluginManifest> manifest = ParsePluginManifest(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<plugcfg version='1' note=\"a&lt;b\"><!-- c --><export>\n"
      "  <id>\r\n\tcom.x.A&amp;B/&#49;.&#x30; </id><note>ignored</note>\n"
      "  <import><contract>c/2.0</contract><property><![CDATA[Second]]></property></import>\n"
      "  <import><property>Fi<!-- split -->rst</property><contract>c/1.0</contract></import>\n"
      "</export></plugcfg>");
  ASSERT_TRUE(manifest) << manifest.Error();
  EXPECT_EQ(manifest.Value().exportId, "com.x.A&B/1.0");
  EXPECT_TRUE(manifest.Value().contracts.empty());
  EXPECT_THAT(manifest.Value().imports,
              ElementsAre(ManifestImport{"Second", "c/2.0"}, ManifestImport{"First", "c/1.0"}));
}

struct BrokenManifest {
  const char* what;
  std::string xml;
  const char* error;  // the start of the failure text
};

class BrokenManifests : public ::testing::TestWithParam<BrokenManifest> {};

TEST_P(BrokenManifests, AreRefusedWithTheReason) {
  const Outcome<PluginManifest> manifest = ParsePluginManifest(GetParam().xml);
  ASSERT_FALSE(manifest) << GetParam().what;
  EXPECT_THAT(manifest.Error(), StartsWith(GetParam().error)) << GetParam().what;
}

const std::string kId = "<id>com.x/1.0</id>";
const std::string kImport = "<import><property>P</property><contract>c/1.0</contract></import>";

std::string Nested(int depth) {
  std::string xml;
  for (int level = 0; level < depth; ++level) xml += "<a>";
  return xml;
}

INSTANTIATE_TEST_SUITE_P(
    ParsePluginManifest, BrokenManifests,
    ::testing::Values(
        BrokenManifest{"empty", "", "not well-formed XML"},
        BrokenManifest{"not XML", "PLUGCFG", "not well-formed XML"},
        BrokenManifest{"mismatched end tag", "<plugcfg><export>" + kId + "</plugcfg></export>",
                       "not well-formed XML"},
        BrokenManifest{"two top-level elements",
                       "<plugcfg><export>" + kId + "</export></plugcfg><plugcfg/>",
                       "not well-formed XML"},
        BrokenManifest{"document type", "<!DOCTYPE plugcfg><plugcfg/>",
                       "not well-formed XML: a document type declaration is not read"},
        BrokenManifest{"late declaration", " <?xml version='1.0'?><plugcfg/>",
                       "not well-formed XML: an XML declaration that does not open"},
        BrokenManifest{"unknown entity", "<plugcfg>&nbsp;</plugcfg>",
                       "not well-formed XML: '&' that starts no known reference"},
        BrokenManifest{"reference to a surrogate", "<plugcfg>&#xD800;</plugcfg>",
                       "not well-formed XML: a character reference to no character"},
        BrokenManifest{"control character", "<plugcfg>\x01</plugcfg>",
                       "not well-formed XML: a control character"},
        BrokenManifest{"']]>' in text", "<plugcfg>]]></plugcfg>",
                       "not well-formed XML: ']]>' outside a CDATA section"},
        BrokenManifest{"'--' in a comment", "<plugcfg><!-- a -- b --></plugcfg>",
                       "not well-formed XML: '--' inside a comment"},
        BrokenManifest{"unquoted attribute", "<plugcfg version=1/>",
                       "not well-formed XML: an attribute value without quotes"},
        BrokenManifest{"attribute given twice", "<plugcfg a='1' a='2'/>",
                       "not well-formed XML: an attribute given twice"},
        BrokenManifest{"'<' in an attribute", "<plugcfg a='<'/>",
                       "not well-formed XML: '<' inside an attribute value"},
        BrokenManifest{"nested too deep", "<plugcfg>" + Nested(300),
                       "not well-formed XML: elements nested more than 256 deep"},
        BrokenManifest{"wrong root", "<plugin><export>" + kId + "</export></plugin>",
                       "root element is <plugin>, expected <plugcfg>"},
        BrokenManifest{"no export", "<plugcfg>" + kId + "</plugcfg>",
                       "<plugcfg> has 0 <export> elements, expected exactly one"},
        BrokenManifest{
            "two exports",
            "<plugcfg><export>" + kId + "</export><export>" + kId + "</export></plugcfg>",
            "<plugcfg> has 2 <export> elements, expected exactly one"},
        BrokenManifest{"missing id", "<plugcfg><export>" + kImport + "</export></plugcfg>",
                       "<export> has 0 <id> elements, expected exactly one"},
        BrokenManifest{"two ids", "<plugcfg><export>" + kId + kId + "</export></plugcfg>",
                       "<export> has 2 <id> elements, expected exactly one"},
        BrokenManifest{"id outside export", "<plugcfg>" + kId + "<export/></plugcfg>",
                       "<export> has 0 <id> elements, expected exactly one"},
        BrokenManifest{"blank id", "<plugcfg><export><id> \r\n </id></export></plugcfg>",
                       "<export> has an empty <id>"},
        BrokenManifest{"empty contract",
                       "<plugcfg><export>" + kId + "<contract/></export></plugcfg>",
                       "<export> has an empty <contract>"},
        BrokenManifest{"import without contract",
                       "<plugcfg><export>" + kId +
                           "<import><property>P</property></import></export></plugcfg>",
                       "<import> 1 has 0 <contract> elements, expected exactly one"},
        BrokenManifest{"second import with an empty property",
                       "<plugcfg><export>" + kId + kImport +
                           "<import><property/><contract>c</contract></import></export></plugcfg>",
                       "<import> 2 has an empty <property>"}));

// A manifest cut short anywhere before the end tag of its root is not a manifest.
TEST(ParsePluginManifest, RefusesTheModulesManifestCutShortAnywhere) {
  const std::string manifest = ReferenceManifest();
  const std::size_t rootEnd = manifest.find("</plugcfg>");
  ASSERT_NE(rootEnd, std::string::npos);
  const std::size_t complete = rootEnd + std::string("</plugcfg>").size();
  for (std::size_t length = 0; length < complete; ++length) {
    const Outcome<PluginManifest> cut = ParsePluginManifest(manifest.substr(0, length));
    ASSERT_FALSE(cut) << "accepted the first " << length << " bytes";
    ASSERT_THAT(cut.Error(), HasSubstr("not well-formed XML")) << length << " bytes";
  }
  EXPECT_TRUE(ParsePluginManifest(manifest.substr(0, complete)));
}

}  // namespace
}  // namespace kel::host
