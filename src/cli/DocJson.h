#pragma once

#include <nlohmann/json.hpp>

class CTAVDoc;
class CDataNode;

// Summary of a document: header, layer count, entity counts by type code, extents.
nlohmann::ordered_json DocumentInfoJson(const CTAVDoc& doc);
// The whole document, every stored field included.
nlohmann::ordered_json DocumentDumpJson(const CTAVDoc& doc);
// One attribute data tree.
nlohmann::ordered_json DataNodeJson(const CDataNode& node);
