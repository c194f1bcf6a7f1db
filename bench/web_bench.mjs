// The page in headless Chromium, timed and weighed (bench/web.sh):
//
//   node bench/web_bench.mjs time URL RECORDING FORMAT RUNS   # seconds per run, one a line
//   node bench/web_bench.mjs memory URL RECORDING FORMAT      # MiB above the idle page
//
// A run is from choosing the recording to the download being offered. The
// memory is the resident size of Chromium's renderer processes (the page
// and its worker run in one), sampled every 100 ms during the conversion,
// peak minus the same measure of the idle page before it.
import { readdirSync, readFileSync } from "node:fs";
import { createRequire } from "node:module";

const require = createRequire(new URL("../tests/web/package.json", import.meta.url));
const puppeteer = require("puppeteer-core");
const [mode, url, recording, format, runs] = process.argv.slice(2);

// Resident KiB of the renderers among the descendants of `root`.
function rendererKiB(root) {
    const children = new Map();
    const command = new Map();
    for (const pid of readdirSync("/proc").filter((name) => /^\d+$/.test(name))) {
        try {
            const ppid = readFileSync(`/proc/${pid}/stat`, "utf8").split(") ")[1].split(" ")[1];
            if (!children.has(ppid)) children.set(ppid, []);
            children.get(ppid).push(pid);
            command.set(pid, readFileSync(`/proc/${pid}/cmdline`, "utf8"));
        } catch {
            // gone meanwhile
        }
    }
    let total = 0;
    const walk = (pid) => {
        for (const child of children.get(pid) || []) {
            if (command.get(child).includes("--type=renderer")) {
                try {
                    const status = readFileSync(`/proc/${child}/status`, "utf8");
                    total += Number(/VmRSS:\s+(\d+)/.exec(status)[1]);
                } catch {
                    // gone meanwhile
                }
            }
            walk(child);
        }
    };
    walk(String(root));
    return total;
}

async function convertOnce(page) {
    const before = await page.$$eval("#jobs li", (items) => items.length);
    const started = performance.now();
    await (await page.$("#files")).uploadFile(recording);
    const item = `#jobs li:nth-child(${before + 1})`;
    await page.waitForSelector(`${item} a.download, ${item} pre.error`, { timeout: 0, polling: 50 });
    const seconds = (performance.now() - started) / 1000;
    if (await page.$(`${item} pre.error`)) throw new Error(await page.$eval(`${item} pre`, (p) => p.textContent));
    return seconds;
}

const browser = await puppeteer.launch({
    browser: "chrome", executablePath: "/usr/bin/chromium", headless: true,
    args: ["--no-sandbox", "--disable-gpu"],
});
try {
    const page = await browser.newPage();
    await page.goto(url, { waitUntil: "load" });
    await page.waitForSelector("body[data-ready]");
    await page.click(`input[name=format][value=${format}]`);
    if (mode === "time") {
        for (let run = 0; run < Number(runs); ++run) console.log((await convertOnce(page)).toFixed(3));
    } else {
        await new Promise((later) => setTimeout(later, 2000));
        const idle = rendererKiB(browser.process().pid);
        let peak = idle;
        const sampler = setInterval(() => { peak = Math.max(peak, rendererKiB(browser.process().pid)); }, 100);
        await convertOnce(page);
        clearInterval(sampler);
        console.log(((peak - idle) / 1024).toFixed(1));
    }
} finally {
    await browser.close();
}
