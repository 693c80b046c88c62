#include "xmp.h"

namespace tallomir::pdf {

namespace {

std::string escaped(const std::string& text) {
    std::string result;
    for (const char c : text) {
        switch (c) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        default:
            result += c;
        }
    }
    return result;
}

std::string element(const std::string& name, const std::string& value) {
    return "   <" + name + ">" + escaped(value) + "</" + name + ">\n";
}

// One property of the invoice schema as its extension schema describes it.
std::string propertyDescription(const std::string& name, const std::string& description) {
    return "       <rdf:li rdf:parseType=\"Resource\">\n"
           "        <pdfaProperty:name>" +
           name +
           "</pdfaProperty:name>\n"
           "        <pdfaProperty:valueType>Text</pdfaProperty:valueType>\n"
           "        <pdfaProperty:category>external</pdfaProperty:category>\n"
           "        <pdfaProperty:description>" +
           description +
           "</pdfaProperty:description>\n"
           "       </rdf:li>\n";
}

constexpr const char* invoiceNamespace = "urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#";

} // namespace

std::string hybridXmp(const XmpFields& fields) {
    std::string xmp = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                      " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
    xmp += "  <rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n" +
           element("pdfaid:part", "3") + element("pdfaid:conformance", "B") + "  </rdf:Description>\n";
    xmp += "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
           "   <dc:format>application/pdf</dc:format>\n"
           "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
           escaped(fields.title) + "</rdf:li></rdf:Alt></dc:title>\n";
    if (!fields.author.empty())
        xmp += "   <dc:creator><rdf:Seq><rdf:li>" + escaped(fields.author) +
               "</rdf:li></rdf:Seq></dc:creator>\n";
    xmp += "  </rdf:Description>\n";
    xmp += "  <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n" +
           element("xmp:CreatorTool", fields.creatorTool) + element("xmp:CreateDate", fields.date) +
           element("xmp:ModifyDate", fields.date) + element("xmp:MetadataDate", fields.date) +
           "  </rdf:Description>\n";
    xmp += "  <rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n" +
           element("pdf:Producer", fields.producer) + "  </rdf:Description>\n";
    xmp += "  <rdf:Description rdf:about=\"\"\n"
           "    xmlns:pdfaExtension=\"http://www.aiim.org/pdfa/ns/extension/\"\n"
           "    xmlns:pdfaSchema=\"http://www.aiim.org/pdfa/ns/schema#\"\n"
           "    xmlns:pdfaProperty=\"http://www.aiim.org/pdfa/ns/property#\">\n"
           "   <pdfaExtension:schemas>\n"
           "    <rdf:Bag>\n"
           "     <rdf:li rdf:parseType=\"Resource\">\n"
           "      <pdfaSchema:schema>Invoice data embedded in this PDF</pdfaSchema:schema>\n"
           "      <pdfaSchema:namespaceURI>" +
           std::string(invoiceNamespace) +
           "</pdfaSchema:namespaceURI>\n"
           "      <pdfaSchema:prefix>fx</pdfaSchema:prefix>\n"
           "      <pdfaSchema:property>\n"
           "       <rdf:Seq>\n" +
           propertyDescription("DocumentFileName", "The name of the embedded invoice XML file") +
           propertyDescription("DocumentType", "The kind of document: INVOICE") +
           propertyDescription("Version", "The version of the invoice data's schema") +
           propertyDescription("ConformanceLevel", "The profile the invoice data follows") +
           "       </rdf:Seq>\n"
           "      </pdfaSchema:property>\n"
           "     </rdf:li>\n"
           "    </rdf:Bag>\n"
           "   </pdfaExtension:schemas>\n"
           "  </rdf:Description>\n";
    xmp += "  <rdf:Description rdf:about=\"\" xmlns:fx=\"" + std::string(invoiceNamespace) + "\">\n" +
           element("fx:DocumentType", "INVOICE") + element("fx:DocumentFileName", fields.fileName) +
           element("fx:Version", "1.0") + element("fx:ConformanceLevel", fields.level) +
           "  </rdf:Description>\n";
    xmp += " </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
    return xmp;
}

} // namespace tallomir::pdf
