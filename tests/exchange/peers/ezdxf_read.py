#!/usr/bin/python3
"""What ezdxf reads from a DXF file, as JSON on stdout, for the export's tests: the number of
errors its audit finds, the layers (name, on) and the entities of model space with their
points in world coordinates and their texts."""
import json
import re
import sys

import ezdxf


def text(s):
    # \U+XXXX escapes, surrogate pairs joined.
    s = re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), s)
    return s.encode("utf-16", "surrogatepass").decode("utf-16")


def main():
    doc = ezdxf.readfile(sys.argv[1])
    auditor = doc.audit()
    out = {"errors": len(auditor.errors),
           "layers": [{"name": layer.dxf.name, "on": layer.is_on()} for layer in doc.layers],
           "entities": []}
    for e in doc.modelspace():
        t = e.dxftype()
        item = {"type": t, "layer": e.dxf.layer}
        if t == "POINT":
            item["points"] = [list(e.dxf.location)]
        elif t == "POLYLINE":
            item["points"] = [list(v.dxf.location) for v in e.vertices]
            item["closed"] = e.is_closed
        elif t in ("ARC", "CIRCLE"):
            item["points"] = [list(e.ocs().to_wcs(e.dxf.center))]
            item["radius"] = e.dxf.radius
            if t == "ARC":
                item["start"] = list(e.start_point)
        elif t == "TEXT":
            item["points"] = [list(e.ocs().to_wcs(e.dxf.insert))]
            item["text"] = text(e.dxf.text)
        out["entities"].append(item)
    json.dump(out, sys.stdout, ensure_ascii=False)


main()
