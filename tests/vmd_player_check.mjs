// Plays a motion written by Sonomot in a real engine, three.js (its MMD
// loader's parser and animation builder, and its AnimationMixer on a
// skeleton of the bones nt000..nt127 and cc064), and checks every bone at
// every frame against the MIDI file as midicsv, an independent reader,
// lists it:
//   node vmd_player_check.mjs <npm prefix> <sonomot-console> <midicsv>
//        <file.mid> <work folder> <tracks, 0 for the first: 1,2> [motion]
// The motion (default steps) of the tracks named is exported with the full
// layout, which three.js needs. The engine shows frame f from f/30 s to
// (f + 1)/30 s, and is sampled in its middle: there each key must be down
// exactly while one of its notes sounds (from its press's frame to its
// release's, a frame at least, an event's frame being the one its time
// rounds to) and the pedal must show the value of its last event at or
// before the frame (0 before the first). Exits 0 when every frame agrees,
// 1 with the differences.
'use strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [prefix, consoleProgram, midicsv, midiPath, workFolder, trackList, motion = 'steps'] =
  process.argv.slice(2);

function fail(message) {
  console.error(`${midiPath}: ${message}`);
  process.exit(1);
}

// The motion, exported without any saved settings.
fs.mkdirSync(workFolder, { recursive: true });
const vmdPath = path.join(workFolder, `player-${motion}.vmd`);
execFileSync(consoleProgram, ['--layout', 'full', '--motion', motion, '-t', trackList, '-o',
                              vmdPath, midiPath],
             { env: { ...process.env, XDG_CONFIG_HOME: path.join(workFolder, 'no-config') } });

// The MIDI file's events of those tracks, in time order, of one time in
// ascending track order, each track's in its order; frames by the tempo
// map, counted exactly and rounded to the nearest, half up.
const tracks = trackList.split(',').map((n) => Number(n) + 1);  // midicsv counts from 1
const csv = execFileSync(midicsv, [midiPath], { encoding: 'latin1', maxBuffer: 1 << 28 });
let division = 0;
const tempos = [];  // [tick, microseconds a quarter]
const events = [];
csv.split('\n').forEach((line, index) => {
  const f = line.split(',').map((s) => s.trim());
  if (f.length < 3) return;
  const [track, tick, kind] = [Number(f[0]), Number(f[1]), f[2]];
  if (kind === 'Header') division = Number(f[5]);
  if (kind === 'Tempo') tempos.push([tick, BigInt(f[3])]);
  if (!tracks.includes(track)) return;
  if (kind === 'Note_on_c' || kind === 'Note_off_c') {
    const press = kind === 'Note_on_c' && Number(f[5]) > 0;
    events.push({ tick, track, index, key: Number(f[4]), press });
  } else if (kind === 'Control_c' && Number(f[4]) === 64) {
    events.push({ tick, track, index, pedal: Number(f[5]) });
  }
});
if (!(division > 0)) fail('only files counted in ticks a quarter note are checked');
tempos.sort((a, b) => a[0] - b[0]);
function frameOf(tick) {
  // frames = sum of ticks x microseconds a quarter x 30 / (division x 10^6)
  let sum = 0n, at = 0, tempo = 500000n;
  for (const [t, us] of tempos) {
    if (t >= tick) break;
    sum += BigInt(t - at) * tempo;
    at = t;
    tempo = us;
  }
  sum += BigInt(tick - at) * tempo;
  const num = sum * 30n, den = BigInt(division) * 1000000n;
  return Number((2n * num + den) / (2n * den));
}
events.sort((a, b) => a.tick - b.tick || a.track - b.track || a.index - b.index);
let lastFrame = 0;
const down = Array.from({ length: 128 }, () => []);  // [from, to) frames a key sounds
const sounding = new Array(128).fill(0);
const pedal = [];  // [frame, value], the last of a frame counting
for (const event of events) {
  event.frame = frameOf(event.tick);
  lastFrame = Math.max(lastFrame, event.frame);
  if (event.pedal !== undefined) {
    pedal.push([event.frame, event.pedal]);
  } else if (event.press) {
    if (sounding[event.key]++ === 0) down[event.key].push([event.frame, Infinity]);
  } else if (sounding[event.key] > 0 && --sounding[event.key] === 0) {
    const run = down[event.key][down[event.key].length - 1];
    run[1] = Math.max(event.frame, run[0] + 1);
  }
}
down.forEach((runs, key) => {
  for (let i = 1; i < runs.length; ++i) {
    if (runs[i][0] <= runs[i - 1][1]) {
      fail(`key ${key} is struck again on the frame of its release (${runs[i][0]}): ` +
           'the check takes files without that');
    }
  }
});

// The engine: the file read by the loader's parser and made into a clip for
// a skeleton of the bones, as MMDLoader.loadAnimation does.
const threeFolder = path.join(prefix, 'node_modules', 'three');
const THREE = await import(pathToFileURL(path.join(threeFolder, 'build', 'three.module.js')));
const warn = console.warn;
console.warn = () => {};  // the loader says it is deprecated after this version
const { MMDLoader } = await import(
  pathToFileURL(path.join(threeFolder, 'examples', 'jsm', 'loaders', 'MMDLoader.js')));
const loader = new MMDLoader();
console.warn = warn;
const file = fs.readFileSync(vmdPath);
const vmd = loader._getParser().parseVmd(
  file.buffer.slice(file.byteOffset, file.byteOffset + file.length), true);
const names = Array.from({ length: 128 }, (_, k) => `nt${String(k).padStart(3, '0')}`);
names.push('cc064');
const root = new THREE.Bone();
const bones = names.map((name) => {
  const bone = new THREE.Bone();
  bone.name = name;
  root.add(bone);
  return bone;
});
const mesh = new THREE.SkinnedMesh(new THREE.BufferGeometry(), new THREE.MeshBasicMaterial());
mesh.add(root);
mesh.bind(new THREE.Skeleton(bones));
const clip = loader.animationBuilder.build(vmd, mesh);
const mixer = new THREE.AnimationMixer(mesh);
const action = mixer.clipAction(clip);
action.setLoop(THREE.LoopOnce);
action.clampWhenFinished = true;
action.play();

// The turns the motion gives: a key's -0.04 rad, the pedal's pose of value
// v: the turn of about -8.52 degrees blended toward rest by 1 - v/127 x 0.7
// and normalised. Only their size is compared: the parser turns the file's
// left-handed rotations into three.js' right-handed ones.
const keyTurn = 0.04;
function pedalTurn(value) {
  const t = Math.fround(1 - (value / 127) * Math.fround(0.7));
  const x = -0.0742970034 * (1 - t), w = 0.997188985 * (1 - t) + t;
  return Math.abs(2 * Math.atan2(x / Math.hypot(x, w), w / Math.hypot(x, w)));
}
const turn = (bone) => Math.abs(2 * Math.atan2(bone.quaternion.x, bone.quaternion.w));
const tolerance = 1e-4;
let wrongKeyFrames = 0, wrongPedalFrames = 0;
const shown = [];
let pedalAt = 0, value = 0;
for (let frame = 0; frame <= lastFrame + 1; ++frame) {
  // Past the clip's end the action stops, held at its end; started again
  // for each sample, it never stays stopped.
  action.reset();
  mixer.setTime((frame + 0.5) / 30);
  let keysWrong = false;
  for (let key = 0; key < 128; ++key) {
    const isDown = down[key].some(([from, to]) => frame >= from && frame < to);
    const got = turn(bones[key]);
    if (Math.abs(got - (isDown ? keyTurn : 0)) > tolerance) {
      keysWrong = true;
      if (shown.length < 10) shown.push(`frame ${frame}: ${names[key]} turns ${got}, ${isDown ? 'down' : 'up'} in the file`);
    }
  }
  while (pedalAt < pedal.length && pedal[pedalAt][0] <= frame) value = pedal[pedalAt++][1];
  const got = turn(bones[128]);
  if (Math.abs(got - pedalTurn(value)) > tolerance) {
    ++wrongPedalFrames;
    if (shown.length < 10) shown.push(`frame ${frame}: cc064 turns ${got}, value ${value} in the file`);
  }
  if (keysWrong) ++wrongKeyFrames;
}
const frames = lastFrame + 2;
if (wrongKeyFrames > 0 || wrongPedalFrames > 0) {
  fail(`the ${motion} motion played in three.js differs from the file: keys in ` +
       `${wrongKeyFrames} of ${frames} frames, the pedal in ${wrongPedalFrames}\n  ` +
       shown.join('\n  '));
}
console.log(`${midiPath}: the ${motion} motion plays as the file says in all ${frames} frames ` +
            `(${vmd.metadata.motionCount} keyframes, ${events.length} events)`);
