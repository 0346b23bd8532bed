// The peer a preview is compared with: JavaScript's own engine doing the
// same replace over the same names in node.
//
//   node js_peer.js PATTERN REPLACEMENT [REPEAT] < names
//
// Every name is tested, replaced (case-insensitive, every match) and its
// runs of "#" numbered, longest form first, as the preview does. Prints the
// median milliseconds of one pass over all names.
"use strict";
const fs = require("fs");

const [pattern, replacement, repeatText] = process.argv.slice(2);
const repeat = Number(repeatText || 1);
const names = fs.readFileSync(0, "utf8").split("\n");
if (names[names.length - 1] === "") names.pop();

function expandHashes(name, row) {
    return name.replace(/#+/g, (run) => {
        let out = "";
        for (let left = run.length; left > 0; left -= 8) {
            const width = Math.min(left, 8);
            const digits = String(row);
            out += width === 1 ? digits : ("0".repeat(width) + digits).slice(-width);
        }
        return out;
    });
}

const results = new Array(names.length);
const times = [];
for (let pass = 0; pass < repeat; pass++) {
    const regex = new RegExp(pattern, "gi");
    const test = new RegExp(pattern, "i");
    const start = process.hrtime.bigint();
    for (let i = 0; i < names.length; i++) {
        if (!test.test(names[i])) continue;
        results[i] = expandHashes(names[i].replace(regex, replacement), i + 1);
    }
    times.push(Number(process.hrtime.bigint() - start) / 1e6);
}
times.sort((a, b) => a - b);
console.log(times[Math.floor(repeat / 2)].toFixed(3));
