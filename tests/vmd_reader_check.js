// Reads a VMD file written by Sonomot with mmd-parser, an independent VMD
// reader, and compares what it sees with the expectations in a JSON file:
//   node vmd_reader_check.js <npm prefix> <file.vmd> <expected.json>
// expected.json: {"model": "pmdGRAND", "full": false,
//                 "motions": [{"bone": "nt060", "frame": 99,
//                 "rotation": [x, y, z, w], "tolerance": 1e-6}, ...]}
// "full": the file carries the counts after the bone keyframes itself.
// Exits 0 when everything agrees, 1 with a message on the first difference.
'use strict';
const fs = require('fs');
const path = require('path');

const [prefix, vmdPath, expectedPath] = process.argv.slice(2);
const { Parser } = require(path.join(prefix, 'node_modules', 'mmd-parser'));

function fail(message) {
  console.error(`${vmdPath}: ${message}`);
  process.exit(1);
}

const expected = JSON.parse(fs.readFileSync(expectedPath, 'utf8'));
const file = fs.readFileSync(vmdPath);
// The classic layout ends after the bone keyframes; this reader always goes
// on to a morph count and a camera count, so a copy gets two zero counts.
// The full layout is read as it is.
const copy = expected.full ? file : Buffer.concat([file, Buffer.alloc(8)]);
const arrayBuffer = copy.buffer.slice(copy.byteOffset, copy.byteOffset + copy.length);
let vmd;
try {
  vmd = new Parser().parseVmd(arrayBuffer);
} catch (error) {
  fail(`the reader refused the file: ${error}`);
}

const interpolation = [
  20, 20, 20, 20, 20, 20, 20, 0, 107, 107, 107, 107, 107, 107, 107, 127,
  20, 20, 20, 20, 20, 20, 0, 107, 107, 107, 107, 107, 107, 107, 127, 1,
  20, 20, 20, 20, 20, 0, 107, 107, 107, 107, 107, 107, 107, 127, 1, 0,
  20, 20, 20, 20, 0, 107, 107, 107, 107, 107, 107, 107, 127, 1, 0, 0,
];

if (vmd.metadata.magic !== 'Vocaloid Motion Data 0002') fail(`magic ${vmd.metadata.magic}`);
if (vmd.metadata.name !== expected.model) fail(`model name ${vmd.metadata.name}`);
if (vmd.metadata.motionCount !== expected.motions.length) {
  fail(`${vmd.metadata.motionCount} keyframes, expected ${expected.motions.length}`);
}
if (vmd.metadata.morphCount !== 0 || vmd.metadata.cameraCount !== 0) {
  fail('the appended counts were not read where the keyframes end');
}
if (file.length !== 54 + 111 * expected.motions.length + (expected.full ? 20 : 0)) fail(`size ${file.length}`);
expected.motions.forEach((want, i) => {
  const got = vmd.motions[i];
  const where = `keyframe ${i} (${want.bone} at ${want.frame})`;
  if (got.boneName !== want.bone) fail(`${where}: bone ${got.boneName}`);
  if (got.frameNum !== want.frame) fail(`${where}: frame ${got.frameNum}`);
  if (got.position.some((v) => v !== 0)) fail(`${where}: position ${got.position}`);
  got.rotation.forEach((v, j) => {
    if (!(Math.abs(v - want.rotation[j]) <= want.tolerance)) {
      fail(`${where}: rotation ${got.rotation}, expected ${want.rotation}`);
    }
  });
  if (got.interpolation.some((v, j) => v !== interpolation[j])) {
    fail(`${where}: interpolation ${got.interpolation}`);
  }
});
console.log(`${vmdPath}: ${expected.motions.length} keyframes read alike`);
