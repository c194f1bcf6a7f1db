// The page: takes recordings dropped or chosen, converts them one after the
// other in a worker (worker.js), shows each one's progress and summary, and
// offers the result for download once it is complete. Results wait in the
// origin-private file system under names of this tab's own; the tab holds a
// lock for as long as it lives, so a later tab can tell what a closed or
// killed tab left there and remove it.
"use strict";

const kStoragePrefix = ".veltrano-";
const tab = Math.random().toString(36).slice(2, 10);
const queue = [];
let worker = null;
let current = null; // the job under way
let jobs = 0;
let workerParts = null; // the worker's script and compiled WebAssembly, fetched once

const $ = (id) => document.getElementById(id);

// Holds this tab's lock until the tab goes; resolves once it is held.
function holdTabLock() {
    return new Promise((held) => {
        navigator.locks.request(`veltrano-tab-${tab}`, () => {
            held();
            return new Promise(() => {});
        });
    });
}

// Removes the files of tabs that are gone: those whose lock is free.
async function sweepLeftovers() {
    const root = await navigator.storage.getDirectory();
    const names = [];
    for await (const name of root.keys()) if (name.startsWith(kStoragePrefix)) names.push(name);
    for (const name of names) {
        const owner = name.slice(kStoragePrefix.length).split("-")[0];
        await navigator.locks.request(`veltrano-tab-${owner}`, { ifAvailable: true }, (lock) =>
            lock ? root.removeEntry(name).catch(() => {}) : null);
    }
}

// Removes a stopped job's file; the ended worker's handle may take a moment
// to let go of it.
async function removeStored(name) {
    const root = await navigator.storage.getDirectory();
    for (let attempt = 0; attempt < 50; ++attempt) {
        try {
            await root.removeEntry(name);
            return;
        } catch (error) {
            if (error.name === "NotFoundError") return;
            await new Promise((later) => setTimeout(later, 100));
        }
    }
}

// Everything a worker needs, fetched once at load: a stopped job's worker
// is replaced without a request.
async function loadWorkerParts() {
    const text = (name) => fetch(name).then((response) => response.text());
    const [core, script, wasm] = await Promise.all([
        text("veltrano-core.js"), text("worker.js"),
        fetch("veltrano-core.wasm").then((response) => response.arrayBuffer()),
    ]);
    const url = URL.createObjectURL(new Blob([core, "\n", script], { type: "text/javascript" }));
    return { url, module: await WebAssembly.compile(wasm) };
}

function startWorker() {
    worker = new Worker(workerParts.url);
    worker.postMessage({ type: "module", module: workerParts.module });
    worker.onmessage = ({ data }) => {
        if (data.type === "progress") showProgress(current, data.bytesRead, data.size);
        else if (data.type === "end") {
            if (data.broken) {
                worker.terminate();
                startWorker();
            }
            finish(current, data.converted, data.lines);
        }
        else if (data.type === "ready") $("status").textContent = "";
    };
}

// "clip.264" -> "clip.mp4", as veltrano-convert names its results.
function resultName(source, format) {
    const dot = source.lastIndexOf(".");
    return (dot > 0 ? source.slice(0, dot) : source) + "." + format;
}

function addJob(file) {
    const format = new FormData($("options")).get("format");
    const rate = Math.min(30, Math.max(1, Math.round(Number($("rate").value)) || 25));
    const item = document.createElement("li");
    const title = document.createElement("strong");
    title.textContent = file.name;
    const bar = document.createElement("progress");
    bar.max = 100;
    bar.value = 0;
    bar.setAttribute("aria-label", `Converting ${file.name}`);
    const text = document.createElement("span");
    text.textContent = "waiting";
    const lines = document.createElement("pre");
    item.append(title, document.createElement("br"), bar, text, lines);
    $("jobs").append(item);
    const job = { file, format, rate, dest: resultName(file.name, format),
                  storageName: `${kStoragePrefix}${tab}-${++jobs}`, item, bar, text, lines };
    queue.push(job);
    next();
}

function next() {
    if (current || queue.length === 0) return;
    current = queue.shift();
    current.started = performance.now();
    current.text.textContent = "0 %";
    $("stop").disabled = false;
    const { file, format, rate, dest, storageName } = current;
    worker.postMessage({ file, format, rate, dest, storageName });
}

function clock(seconds) {
    const s = Math.max(0, Math.round(seconds));
    return `${Math.floor(s / 60)}:${String(s % 60).padStart(2, "0")}`;
}

function showProgress(job, bytesRead, size) {
    const percent = size > 0 ? Math.floor((100 * bytesRead) / size) : 0;
    const seconds = (performance.now() - job.started) / 1000;
    const speed = seconds > 0 ? bytesRead / seconds : 0;
    job.bar.value = percent;
    let text = ` ${percent} %`;
    if (speed > 0) text += ` · ${(speed / 1e6).toFixed(1)} MB/s · ${clock((size - bytesRead) / speed)} left`;
    job.text.textContent = text;
}

async function finish(job, converted, lines) {
    current = null;
    $("stop").disabled = true;
    job.lines.textContent = lines;
    job.bar.value = converted ? 100 : job.bar.value;
    job.text.textContent = converted ? " done" : " failed";
    if (!converted) {
        job.lines.className = "error";
        job.lines.setAttribute("role", "alert");
    } else {
        await offerDownload(job);
    }
    next();
}

// A link to the finished file; where the browser offers its save dialog,
// the link opens that instead.
async function offerDownload(job) {
    const root = await navigator.storage.getDirectory();
    const file = await (await root.getFileHandle(job.storageName)).getFile();
    const link = document.createElement("a");
    link.href = URL.createObjectURL(file);
    link.download = job.dest;
    link.className = "download";
    link.textContent = `Save ${job.dest}`;
    if (window.showSaveFilePicker) {
        link.addEventListener("click", async (event) => {
            event.preventDefault();
            try {
                const to = await window.showSaveFilePicker({ suggestedName: job.dest });
                await file.stream().pipeTo(await to.createWritable());
            } catch (error) {
                if (error.name !== "AbortError") job.lines.textContent += `\n${error.message}`;
            }
        });
    }
    job.item.append(link);
}

// Ends the worker and with it the job under way; nothing of it is kept.
async function stop() {
    if (!current) return;
    const job = current;
    worker.terminate();
    startWorker();
    current = null;
    $("stop").disabled = true;
    job.text.textContent = " stopping";
    await removeStored(job.storageName);
    job.text.textContent = " stopped";
    job.lines.textContent = `veltrano-convert: ${job.file.name}: cancelled`;
    next();
}

function wire() {
    $("files").addEventListener("change", (event) => {
        for (const file of event.target.files) addJob(file);
        event.target.value = "";
    });
    const drop = $("drop");
    drop.addEventListener("dragover", (event) => {
        event.preventDefault();
        drop.classList.add("over");
    });
    drop.addEventListener("dragleave", () => drop.classList.remove("over"));
    drop.addEventListener("drop", (event) => {
        event.preventDefault();
        drop.classList.remove("over");
        for (const file of event.dataTransfer.files) addJob(file);
    });
    $("stop").addEventListener("click", stop);
}

async function start() {
    if (!navigator.storage?.getDirectory || !window.Worker || !navigator.locks) {
        $("status").textContent =
            "This browser lacks what the page needs (workers, origin-private storage, locks).";
        $("files").disabled = true;
        return;
    }
    $("status").textContent = "Loading…";
    workerParts = await loadWorkerParts();
    startWorker();
    wire();
    await holdTabLock();
    await sweepLeftovers();
    if ("serviceWorker" in navigator) await navigator.serviceWorker.register("sw.js").catch(() => {});
    document.body.dataset.ready = "1";
}

start();
