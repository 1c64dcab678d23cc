#!/usr/bin/env bash
# The layer check passes on the tree and fails on a copy of it with one
# include up a layer (a mesh source that reads the renderer's header), or
# with OpenGL's own header in a layer above gl/.
set -u
source_dir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
check() { cmake -DSOURCE_DIR="$1" -P "$source_dir/cmake/layer_check.cmake" >"$work/log" 2>&1; }

check "$source_dir" || { cat "$work/log"; echo "FAIL: the tree itself"; exit 1; }
for bad in '#include "render/frame.h"' '#include <GL/gl.h>'; do
    rm -rf "$work/tree"; mkdir -p "$work/tree"
    cp -r "$source_dir"/{core,mesh,texture,render,gl,platform} "$work/tree/"
    echo "$bad" >> "$work/tree/mesh/mesh.cpp"
    if check "$work/tree"; then echo "FAIL: $bad in mesh/ passed"; exit 1; fi
    grep -q "mesh/mesh.cpp" "$work/log" || { cat "$work/log"; echo "FAIL: $bad not named"; exit 1; }
done
echo "layer check OK"
