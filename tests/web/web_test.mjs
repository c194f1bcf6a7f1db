// Drives the page (scripts/build-web.sh) in one headless browser, as a user
// would: recordings chosen through the file input, AVI and MP4, Stop. What
// the page offers for download must be the native converter's file byte
// for byte; an error line the command line's; after load no request may
// leave the page. Run by scripts/ci-web.sh:
//
//   node web_test.mjs chromium|firefox URL WORK SERVER_PID
//
// WORK holds the recordings and the native converter's results: minute.264,
// damaged.264, late-key.264 and silent.264 with their .avi and .mp4,
// long.264, nonrec.bin and its error line in nonrec.err. SERVER_PID is the
// page's server, stopped at the end to try the page offline.
import { createHash } from "node:crypto";
import { readFileSync } from "node:fs";
import puppeteer from "puppeteer-core";

const [browserName, url, work, server] = process.argv.slice(2);
const browsers = {
    chromium: { browser: "chrome", executablePath: "/usr/bin/chromium",
                args: ["--no-sandbox", "--disable-gpu"] },
    firefox: { browser: "firefox", executablePath: "/usr/bin/firefox-esr" },
};
let failures = 0;
function check(ok, what) {
    console.log(`${ok ? "ok" : "FAIL"} ${browserName}: ${what}`);
    if (!ok) failures++;
}
const sha256 = (path) => createHash("sha256").update(readFileSync(`${work}/${path}`)).digest("hex");

// Chooses `file` in the page's input with `format` and waits for its job's
// end: the download's SHA-256, or null, and the job's lines.
async function convert(page, file, format) {
    await page.click(`input[name=format][value=${format}]`);
    const jobs = await page.$$eval("#jobs li", (items) => items.length);
    await (await page.$("#files")).uploadFile(`${work}/${file}`);
    const item = `#jobs li:nth-child(${jobs + 1})`;
    await page.waitForSelector(`${item} a.download, ${item} pre.error`, { timeout: 120000 });
    return page.$eval(item, async (li) => {
        const link = li.querySelector("a.download");
        let digest = null;
        if (link) {
            const bytes = await (await fetch(link.href)).arrayBuffer();
            digest = Array.from(new Uint8Array(await crypto.subtle.digest("SHA-256", bytes)))
                .map((b) => b.toString(16).padStart(2, "0")).join("");
        }
        return { digest, lines: li.querySelector("pre").textContent };
    });
}

async function storedFiles(page) {
    return page.evaluate(async () => {
        const names = [];
        for await (const name of (await navigator.storage.getDirectory()).keys()) names.push(name);
        return names;
    });
}

const browser = await puppeteer.launch({ headless: true, ...browsers[browserName] });
try {
    const page = await browser.newPage();
    await page.goto(url, { waitUntil: "load" });
    await page.waitForSelector("body[data-ready]", { timeout: 60000 });
    await page.evaluate(() => navigator.serviceWorker.ready);
    // What a killed tab left (its lock is free) goes when the page opens.
    await page.evaluate(async () => {
        await (await navigator.storage.getDirectory()).getFileHandle(".veltrano-gone-1", { create: true });
    });
    await page.reload({ waitUntil: "load" });
    await page.waitForSelector("body[data-ready]", { timeout: 60000 });
    check((await storedFiles(page)).length === 0, "a killed tab's file is removed at start");
    await page.waitForFunction(() => document.getElementById("status").textContent === "");
    const requests = [];
    page.on("request", (request) => {
        if (!/^(blob|data):/.test(request.url())) requests.push(request.url());
    });

    // Stopped under way: no download, nothing left in the browser's storage.
    await page.click("input[name=format][value=mp4]");
    await (await page.$("#files")).uploadFile(`${work}/long.264`);
    await page.waitForFunction(() => document.querySelector("#jobs progress")?.value > 0,
                               { timeout: 60000 });
    await page.click("#stop");
    await page.waitForFunction(() => /cancelled/.test(document.querySelector("#jobs pre").textContent));
    await new Promise((later) => setTimeout(later, 1000));
    check((await page.$$("#jobs a.download")).length === 0, "a stopped job offers no download");
    check((await storedFiles(page)).length === 0, "a stopped job leaves nothing in storage");

    for (const [name, format] of [["minute", "avi"], ["minute", "mp4"], ["damaged", "avi"],
                                  ["damaged", "mp4"], ["late-key", "mp4"], ["silent", "avi"],
                                  ["silent", "mp4"]]) {
        const [file, native] = [`${name}.264`, `${name}.${format}`];
        const { digest, lines } = await convert(page, file, format);
        check(digest === sha256(native), `${file} as ${format} is ${native} byte for byte`);
        check(lines.startsWith(`${file} -> ${native}:`), `${file}'s summary: ${lines.split("\n")[0]}`);
    }
    const refused = await convert(page, "nonrec.bin", "avi");
    const expected = readFileSync(`${work}/nonrec.err`, "utf8").trim();
    check(refused.digest === null && refused.lines === expected, `error line: ${refused.lines}`);
    check(requests.length === 0, `no request after load (${requests.join(" ") || "none"})`);
    // Offline: the server is gone, and the service worker serves the page.
    process.kill(Number(server));
    await new Promise((later) => setTimeout(later, 500));
    await page.reload({ waitUntil: "load" });
    await page.waitForSelector("body[data-ready]", { timeout: 60000 });
    const { digest } = await convert(page, "minute.264", "avi");
    check(digest === sha256("minute.avi"), "offline, the page still loads and converts");
    const licence = await page.evaluate(async () => (await fetch("LICENSE")).text());
    check(/MIT/.test(licence), "offline, the licence the footer links to still opens");
} finally {
    await browser.close();
}
process.exit(failures ? 1 : 0);
