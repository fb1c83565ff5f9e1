#!/usr/bin/python3
"""Writes the DXF test fixtures of tests/exchange/data with independent writers, and beside
each one the entities the importer must make of it, as ezdxf reads them back.

Needs python3-ezdxf (and gdal-bin for the GDAL file); the tests only need the files it wrote.
Run from anywhere: /usr/bin/python3 tools/make_dxf_fixtures.py
"""

import json
import os
import re
import subprocess
import sys
import tempfile

import ezdxf
import ezdxf.path
from ezdxf.addons import r12writer
from ezdxf.math import Vec3

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "exchange", "data")

POLISH = "Zażółć gęślą jaźń ŁÓDŹ"


def fill(doc, with_lw):
    """Everything the importer reads and a good deal of what it reads over."""
    doc.layers.add("Działki", color=3)
    doc.layers.add("OSNOWA", color=1)
    doc.layers.add("walls", color=5)
    doc.styles.add("POLSKI", font="arial.ttf")

    blk = doc.blocks.new(name="ZNAK")
    blk.add_circle((0, 0), 0.5)
    blk.add_point((0, 0))  # inside a block: never created
    blk.add_attdef("NR", insert=(0.6, 0.6), dxfattribs={"height": 0.25})
    blk.add_attdef("OPIS", insert=(0.6, 0.1), dxfattribs={"height": 0.25})

    msp = doc.modelspace()
    msp.add_point((5420000.125, 6310000.5, 101.25), dxfattribs={"layer": "OSNOWA"})
    msp.add_point((1, 2, 3), dxfattribs={"layer": "osnowa", "color": 256})
    msp.add_line((0, 0, 0), (10, 5, 1), dxfattribs={"layer": "walls", "color": 1})
    msp.add_line((10, 5, 1), (20, 0, 2), dxfattribs={"layer": "WALLS", "color": 0})
    msp.add_circle((5, 5), 2.5, dxfattribs={"color": 250})
    msp.add_circle((4, 3, 1), 1.5, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_arc((10, 0), 3, 300, 60, dxfattribs={"layer": "Działki"})
    msp.add_arc((10, 5, 2), 3, 0, 90, dxfattribs={"extrusion": (0, 0, -1), "color": 30})
    msp.add_arc((1, 2, 3), 4, 45, 135, dxfattribs={"extrusion": (0.6, 0, 0.8)})
    msp.add_text(POLISH, dxfattribs={"insert": (1, 1), "height": 2.5, "rotation": 30,
                                     "style": "POLSKI", "layer": "Działki"})
    msp.add_text("lustro", dxfattribs={"insert": (4, 1, 0.5), "height": 1,
                                       "extrusion": (0, 0, -1)})
    ins = msp.add_blockref("ZNAK", (20, 20), dxfattribs={"layer": "OSNOWA"})
    ins.add_auto_attribs({"NR": "P-17", "OPIS": "słup"})
    msp.add_blockref("ZNAK", (25, 20))  # no attributes, no SEQEND
    msp.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 0), (1, 1, 0)], dxfattribs={"color": 4})
    msp.add_3dface([(0, 0, 1), (2, 0, 1), (2, 2, 1.5), (0, 2, 1.5)])
    msp.add_solid([(0, 0), (1, 0), (0, 1)])
    msp.add_trace([(0, 0), (1, 0), (0, 1), (1, 1)])
    msp.add_polyline3d([(0, 0, 0), (1, 2, 3), (4, 5, 6)], dxfattribs={"layer": "walls"})
    closed3d = msp.add_polyline3d([(0, 0, 0), (3, 0, 0), (3, 3, 1)])
    closed3d.close(True)
    flat = msp.add_polyline2d([(1, 1), (4, 1), (4, 3)], dxfattribs={"elevation": (0, 0, 7.5)})
    flat.close(True)
    msp.add_polyline2d([(1, 1), (2, 3)], dxfattribs={"elevation": (0, 0, 2),
                                                     "extrusion": (0, 0, -1)})
    mesh = msp.add_polyface()
    mesh.append_faces([[(0, 0, 0), (1, 0, 0), (1, 1, 0)], [(1, 1, 0), (0, 1, 0), (0, 0, 0)]])
    dim = msp.add_linear_dim(base=(0, -3), p1=(0, 0), p2=(10, 0))
    dim.render()
    if with_lw:
        msp.add_lwpolyline([(0, 0), (2, 0), (2, 2), (0, 2)], close=True,
                           dxfattribs={"elevation": 5, "layer": "Działki", "color": 2})
        msp.add_lwpolyline([(3, 4, 0, 0, 0.5), (5, 6)],
                           dxfattribs={"elevation": 2, "extrusion": (0, 0, -1)})
        msp.add_mtext("MText is read over", dxfattribs={"insert": (0, 50), "color": 6})
        msp.add_ellipse((0, 0), major_axis=(2, 0), ratio=0.5)
        msp.add_spline([(0, 0), (1, 1), (2, 0), (3, 1)])
        hatch = msp.add_hatch(color=2)
        hatch.paths.add_polyline_path([(0, 0), (1, 0), (1, 1)], is_closed=True)
    msp.add_line((0, 0), (0, 9), dxfattribs={"layer": "walls"})  # after everything ignored
    doc.layouts.get("Layout1").add_line((0, 0), (1, 1))  # paper space: in the BLOCKS section


def decode_dxf_unicode(text):
    """DXF's \\U+XXXX escapes of characters outside the file's code page."""
    return re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)


def white_or(color):
    return color if 1 <= color <= 255 else 0


def vec(v):
    return [float(v[0]), float(v[1]), float(v[2])]


def layer_color(doc, name):
    """The colour number a layer gives its BYLAYER entities; 0 (white) for unknown layers."""
    for layer in doc.layers:
        if decode_dxf_unicode(layer.dxf.name).lower() == name.lower():
            return abs(layer.dxf.get("color", 7))
    return 0


def flattened(path, distance=1e-4):
    return [vec(p) for p in path.flattening(distance)]


def expected(path):
    """The entities of the file's model space in order, as the importer must make them: block
    references and dimensions exploded through their blocks, curves as dense points (the test
    checks that the importer's polyline follows them)."""
    doc = ezdxf.readfile(path)
    with open(path, "rb") as f:
        raw = f.read()
    entities = raw[raw.find(b"ENTITIES"):]
    # ezdxf gives every entity a handle; the importer sees only those in the file.
    has_handles = re.search(rb"\n *5\r?\n", entities) is not None
    out = []

    def add(e, ctx, kind, **data):
        layer = decode_dxf_unicode(e.dxf.layer)
        color = e.dxf.get("color", 256)
        if ctx is not None:
            # Inside a block: layer 0 and colour BYBLOCK take the reference's.
            if layer == "0":
                layer = ctx["layer"]
            if color == 0:
                color = ctx["color"]
        if color == 256:
            color = layer_color(doc, layer)
        item = {"kind": kind, "layer": layer, "color": white_or(color)}
        if has_handles and ctx is None and not ctx_named.get(id(e)):
            item["name"] = e.dxf.handle
            ctx_named[id(e)] = True
        item.update(data)
        out.append(item)

    ctx_named = {}

    def text(e, ctx, justified=False):
        ocs = e.ocs()
        data = {"height": e.dxf.height, "rotation": e.dxf.get("rotation", 0.0),
                "axis": vec(e.dxf.get("extrusion", (0, 0, 1))),
                "text": decode_dxf_unicode(e.dxf.text)}
        if not justified:
            data["position"] = vec(ocs.to_wcs(e.dxf.insert))
        add(e, ctx, "text", **data)

    def closing(points, closed):
        return points + points[:1] if closed and points else points

    def resolved(e, ctx):
        """The layer and colour number an exploded reference passes to its block."""
        layer = decode_dxf_unicode(e.dxf.layer)
        color = e.dxf.get("color", 256)
        if ctx is not None:
            layer = ctx["layer"] if layer == "0" else layer
            color = ctx["color"] if color == 0 else color
        if color == 256:
            color = layer_color(doc, layer)
        return {"layer": layer, "color": color}

    def emit(e, ctx):
        t = e.dxftype()
        if t == "POINT":
            add(e, ctx, "point", point=vec(e.dxf.location))
        elif t == "LINE":
            add(e, ctx, "poly", closed=0, vertices=[vec(e.dxf.start), vec(e.dxf.end)])
        elif t in ("CIRCLE", "ARC"):
            center = vec(e.ocs().to_wcs(e.dxf.center))
            axis = vec(e.dxf.get("extrusion", (0, 0, 1)))
            if t == "CIRCLE":
                start, length = 0.0, 360.0
            else:
                start = e.dxf.start_angle
                length = e.dxf.end_angle - start
                if length < 0:
                    length += 360.0
            add(e, ctx, "arc", center=center, radius=e.dxf.radius, start=start, length=length,
                axis=axis)
        elif t in ("TEXT", "ATTRIB"):
            justified = e.dxf.get("halign", 0) != 0 or e.dxf.get("valign", 0) != 0
            text(e, ctx, justified and e.dxf.hasattr("align_point"))
        elif t == "MTEXT":
            for line in e.plain_text(split=True):
                line = line.replace("\\~", " ")  # a non-breaking space; ezdxf 0.18 keeps it
                if line:
                    add(e, ctx, "text", height=e.dxf.char_height, rotation=e.get_rotation(),
                        axis=vec(e.dxf.get("extrusion", (0, 0, 1))), text=line)
        elif t in ("INSERT", "DIMENSION"):
            inner = resolved(e, ctx)
            for v in e.virtual_entities():
                emit(v, inner)
            if t == "INSERT":
                for a in e.attribs:
                    text(a, ctx)
        elif t == "3DFACE":
            corners = [vec(e.dxf.get(f"vtx{i}")) for i in range(4)]
            if all(abs(a - b) < 1e-8 for a, b in zip(corners[3], corners[2])):
                corners = corners[:3]
            add(e, ctx, "poly", closed=1, vertices=corners)
        elif t in ("SOLID", "TRACE"):
            ocs = e.ocs()
            z = e.dxf.vtx0.z
            c = [vec(ocs.to_wcs(Vec3(e.dxf.get(f"vtx{i}", e.dxf.vtx2)).replace(z=z)))
                 for i in range(4)]
            corners = [c[0], c[1], c[3], c[2]]
            if all(abs(a - b) < 1e-8 for a, b in zip(c[3], c[2])):
                corners = [c[0], c[1], c[2]]
            add(e, ctx, "poly", closed=1, vertices=corners)
        elif t == "LWPOLYLINE":
            if any(b != 0 for b in e.get_points("b")):
                add(e, ctx, "curve", closed=0, points=flattened(ezdxf.path.make_path(e)))
            else:
                ocs = e.ocs()
                z = e.dxf.get("elevation", 0.0)
                pts = [vec(ocs.to_wcs(Vec3(x, y, z))) for x, y in e.get_points("xy")]
                add(e, ctx, "poly", closed=0, vertices=closing(pts, e.closed))
        elif t == "POLYLINE":
            if e.is_poly_face_mesh:
                for face in e.faces():
                    add(e, ctx, "poly", closed=1,
                        vertices=[vec(v.dxf.location) for v in face[:-1]])
            elif e.is_2d_polyline:
                ocs = e.ocs()
                z = Vec3(e.dxf.get("elevation", (0, 0, 0))).z
                pts = [vec(ocs.to_wcs(Vec3(v.dxf.location.x, v.dxf.location.y, z)))
                       for v in e.vertices]
                add(e, ctx, "poly", closed=0, vertices=closing(pts, e.is_closed))
            else:
                pts = [vec(v.dxf.location) for v in e.vertices]
                add(e, ctx, "poly", closed=0, vertices=closing(pts, e.is_closed))
        elif t in ("ELLIPSE", "SPLINE"):
            # Through fit points CAD programs differ (end tangents are guessed): the curve is
            # known only roughly, and passes through them.
            fit = t == "SPLINE" and e.control_point_count() == 0
            data = {"fit": [vec(p) for p in e.fit_points]} if fit else {}
            add(e, ctx, "curve", closed=0, points=flattened(ezdxf.path.make_path(e)), **data)
        elif t == "HATCH":
            paths = list(ezdxf.path.from_hatch(e))
            solid = e.dxf.solid_fill == 1 and len(paths) == 1
            for p in paths:
                pts = flattened(p)
                if pts[0] != pts[-1]:
                    pts.append(pts[0])
                add(e, ctx, "curve", closed=1 if solid else 0, points=pts)

    for e in doc.modelspace():
        emit(e, None)
    return out


def save_expected(path):
    with open(path[:-4] + ".json", "w", encoding="utf-8") as f:
        items = [json.dumps(e, ensure_ascii=False) for e in expected(path)]
        f.write("[\n" + ",\n".join(items) + "\n]\n")


def make_ezdxf(version, name, encoding=None):
    doc = ezdxf.new(version)
    if encoding:
        doc.encoding = encoding  # written as $DWGCODEPAGE, texts in that code page
    fill(doc, with_lw=version != "R12")
    path = os.path.join(OUT, name)
    doc.saveas(path)
    save_expected(path)


def make_r12writer(name):
    """ezdxf's fast R12 writer: no HEADER, no tables, ENTITIES only."""
    path = os.path.join(OUT, name)
    with r12writer(path) as w:
        w.add_point((1, 2, 3), layer="P", color=1)
        w.add_line((0, 0), (3, 4), layer="L")
        w.add_circle((0, 0), radius=2)
        w.add_arc((0, 0), radius=2, start=10, end=350, color=4)
        w.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 0)])
        w.add_polyline([(0, 0, 0), (1, 1, 1), (2, 0, 2)], closed=True)
        w.add_polyline_2d([(0, 0), (1, 1), (2, 0)], closed=False)
        w.add_text("R12 text", insert=(1, 1), height=0.5, rotation=15)
        w.add_solid([(0, 0), (1, 0), (1, 1)])
    save_expected(path)


def make_gdal(name):
    """GDAL's DXF driver: its own header template, LWPOLYLINE, labels as TEXT."""
    geojson = {
        "type": "FeatureCollection",
        "features": [
            {"type": "Feature", "properties": {"Layer": "punkty"},
             "geometry": {"type": "Point", "coordinates": [5420000.5, 6310000.25, 12.5]}},
            {"type": "Feature", "properties": {"Layer": "drogi"},
             "geometry": {"type": "LineString", "coordinates": [[0, 0], [10, 0], [10, 10]]}},
            {"type": "Feature", "properties": {"Layer": "drogi3d"},
             "geometry": {"type": "LineString",
                          "coordinates": [[0, 0, 1], [10, 0, 2], [10, 10, 3]]}},
            {"type": "Feature", "properties": {"Layer": "działki"},
             "geometry": {"type": "Polygon",
                          "coordinates": [[[0, 0], [5, 0], [5, 5], [0, 5], [0, 0]]]}},
            {"type": "Feature",
             "properties": {"Layer": "opisy",
                            "OGR_STYLE": 'LABEL(f:"Arial",t:"Nr 12/3",s:2g,a:30)'},
             "geometry": {"type": "Point", "coordinates": [3, 4]}},
        ],
    }
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in.geojson")
        with open(src, "w", encoding="utf-8") as f:
            json.dump(geojson, f, ensure_ascii=False)
        path = os.path.join(OUT, name)
        if os.path.exists(path):
            os.remove(path)
        subprocess.run(["ogr2ogr", "-f", "DXF", path, src], check=True)
    save_expected(path)


def make_blocks(version, name, fmt):
    """Blocks and references, the same drawing as text and binary DXF (DxfBlocksTest.cpp)."""
    doc = ezdxf.new(version)
    doc.layers.add("KONTUR", color=1)
    doc.layers.add("OPIS", color=3)
    blk = doc.blocks.new("ZNAK", base_point=(1, 1))
    blk.add_line((0, 0), (2, 0), dxfattribs={"layer": "0"})
    blk.add_circle((1, 1), 0.5, dxfattribs={"layer": "KONTUR"})
    blk.add_text("A", dxfattribs={"layer": "OPIS", "height": 0.25, "insert": (0.5, 0.2)})
    msp = doc.modelspace()
    msp.add_line((10.125, 20.5), (30.75, 40.0625), dxfattribs={"layer": "KONTUR"})
    msp.add_point((5.5, 6.25, 7.0))
    msp.add_blockref("ZNAK", (100, 200),
                     dxfattribs={"xscale": 2, "yscale": 2, "rotation": 30, "layer": "OPIS"})
    msp.add_blockref("ZNAK", (-50, 0.333333333333), dxfattribs={"xscale": -1, "rotation": 45})
    msp.add_text("Zażółć", dxfattribs={"layer": "OPIS", "height": 1.5, "insert": (1, 2)})
    doc.saveas(os.path.join(OUT, name), fmt=fmt)


def main():
    if sys.argv[1:] == ["--expected"]:
        # Only the .json files, from the .dxf files as they are.
        for name in sorted(os.listdir(OUT)):
            if name.endswith(".dxf") and os.path.exists(os.path.join(OUT, name[:-4] + ".json")):
                save_expected(os.path.join(OUT, name))
        return
    os.makedirs(OUT, exist_ok=True)
    make_blocks("R12", "ezdxf_blocks_r12.dxf", "asc")
    make_blocks("R12", "ezdxf_blocks_r12_bin.dxf", "bin")
    make_blocks("R2000", "ezdxf_blocks_r2000_bin.dxf", "bin")
    make_ezdxf("R12", "ezdxf_r12_cp1250.dxf", encoding="cp1250")
    # Polish letters that Windows-1252 lacks are written as \U+XXXX escapes.
    make_ezdxf("R2000", "ezdxf_r2000_cp1252.dxf")
    make_ezdxf("R2018", "ezdxf_r2018_utf8.dxf")
    make_r12writer("ezdxf_r12writer.dxf")
    try:
        make_gdal("gdal_ogr2ogr.dxf")
    except (OSError, subprocess.CalledProcessError) as e:
        print("GDAL file not made:", e, file=sys.stderr)


if __name__ == "__main__":
    main()
