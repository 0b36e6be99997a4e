// Runs the Khronos glTF validator over each file named and prints one line per
// file: "PATH errors E warnings W infos I", then every error and warning.
// Exits 1 when any file has an error or a warning, 2 when it cannot run.
// Usage: node validate_gltf.js VALIDATOR_DIR FILE...
'use strict';
const fs = require('fs');
const path = require('path');

const [validatorDir, ...files] = process.argv.slice(2);
let validator;
try {
    validator = require(path.resolve(validatorDir, 'node_modules', 'gltf-validator'));
} catch (e) {
    console.error(`gltf-validator not found under ${validatorDir}: run make deps`);
    process.exit(2);
}

(async () => {
    let failed = false;
    for (const file of files) {
        const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
            uri: path.basename(file),
            maxIssues: 50,
        });
        const { numErrors, numWarnings, numInfos } = report.issues;
        console.log(`${file} errors ${numErrors} warnings ${numWarnings} infos ${numInfos}`);
        for (const m of report.issues.messages)
            if (m.severity <= 1) console.log(`  ${m.code}: ${m.message} ${m.pointer || ''}`);
        failed = failed || numErrors > 0 || numWarnings > 0;
    }
    process.exit(failed ? 1 : 0);
})().catch((e) => {
    console.error(String(e));
    process.exit(2);
});
