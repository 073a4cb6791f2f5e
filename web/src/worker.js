// The page's worker: holds the WebAssembly batch (kestrel.js), gives it the
// picked files one at a time when it reads them, passes its rows and counts
// to the page in batches, and zips the OUTPUT tree at the end.
'use strict';

if (typeof createKestrel === 'undefined') {
    // Served page: the parts are files beside this one. (The single-file
    // page puts them in front of this script.)
    importScripts('fflate.js', 'kestrel.js');
}

(function () {
    // Rows and counts go to the page at most this often, not per file.
    const kPostEveryMs = 50;

    let modulePromise = null;
    let module = null;
    let files = [];
    let rows = [];
    let counts = null;
    let step = 0;
    let lastPost = 0;
    let stopRequested = false;
    let readMs = 0;
    let finishedText = '';

    function kestrel() {
        if (!modulePromise) {
            modulePromise = createKestrel().then((m) => (module = m));
        }
        return modulePromise;
    }

    function post(force) {
        const now = performance.now();
        if (!force && now - lastPost < kPostEveryMs) {
            return;
        }
        lastPost = now;
        if (rows.length === 0 && counts === null) {
            return;
        }
        self.postMessage({ type: 'progress', rows: rows, counts: counts, step: step });
        rows = [];
        counts = null;
    }

    // A message to itself: back to the event loop at once (a timer would
    // wait at least 4 ms), so that a stop request is seen.
    const channel = new MessageChannel();
    let wakeUp = null;
    channel.port1.onmessage = () => {
        const resolve = wakeUp;
        wakeUp = null;
        if (resolve) {
            resolve();
        }
    };

    self.kestrelSink = {
        init(total) {
            step = 0;
            self.postMessage({ type: 'init', total: total });
        },
        step(index) {
            step = index + 1;
        },
        row(name, result, path, detail) {
            rows.push([name, result, path, detail]);
        },
        counts(converted, errors, total, totalText, convertText, errorText) {
            counts = { converted, errors, total, totalText, convertText, errorText };
            post(false);
        },
        finished(text) {
            finishedText = text;
            post(true);
        },
        async read(source, pointer, size) {
            const start = performance.now();
            const got = await readAhead.take(source);
            readMs += performance.now() - start;
            if (got.error) {
                const e = got.error;
                return (e && e.name ? e.name + ': ' : '') + (e && e.message ? e.message : String(e));
            }
            if (got.bytes.byteLength !== size) {
                return 'the file changed after it was picked (' + size + ' bytes then, ' +
                    got.bytes.byteLength + ' now)';
            }
            module.HEAPU8.set(new Uint8Array(got.bytes), pointer);
            return null;
        },
        yieldToEvents() {
            post(true);
            return new Promise((resolve) => {
                wakeUp = resolve;
                channel.port2.postMessage(0);
            }).then(() => (stopRequested ? 1 : 0));
        },
    };

    // Reads the picked files in the order the batch will want them, a few
    // ahead of it, so that the browser fetches the next ones while the batch
    // converts (one file at a time would wait for each). Bounded by count
    // and bytes, so a large drop is not held in memory at once.
    const kAheadFiles = 64;
    const kAheadBytes = 32 * 1024 * 1024;
    class ReadAhead {
        constructor(order) {
            this.order = order;
            this.next = 0;
            this.pending = new Map();
            this.bytes = 0;
            this.fill();
        }
        start(source) {
            return files[source].arrayBuffer().then((bytes) => ({ bytes: bytes }), (error) => ({ error: error }));
        }
        fill() {
            while (this.next < this.order.length && this.pending.size < kAheadFiles &&
                   (this.bytes < kAheadBytes || this.pending.size === 0)) {
                const source = this.order[this.next++];
                if (!this.pending.has(source)) {
                    this.bytes += files[source].size;
                    this.pending.set(source, this.start(source));
                }
            }
        }
        take(source) {
            let promise = this.pending.get(source);
            if (promise) {
                this.pending.delete(source);
                this.bytes -= files[source].size;
            } else {
                promise = this.start(source);
            }
            this.fill();
            return promise;
        }
    }
    let readAhead = new ReadAhead([]);

    function text(pointer) {
        return module.UTF8ToString(pointer);
    }

    // The OUTPUT tree as zip entries: its folders, then the written files,
    // named without the leading '/'. The bytes are views of the module's
    // memory, valid until it runs again.
    function outputEntries() {
        const entries = {};
        const folderCount = module._kestrel_output_folder_count();
        for (let i = 0; i < folderCount; ++i) {
            entries[text(module._kestrel_output_folder(i)).slice(1) + '/'] = new Uint8Array(0);
        }
        const count = module._kestrel_output_count();
        for (let i = 0; i < count; ++i) {
            const path = text(module._kestrel_output_path(i));
            const bytes = fileBytes(path);
            if (bytes) {
                entries[path.slice(1)] = bytes;
            }
        }
        return entries;
    }

    function fileBytes(path) {
        const size = module.ccall('kestrel_file_size', 'number', ['string'], [path]);
        if (size < 0) {
            return null;
        }
        const pointer = module.ccall('kestrel_file_data', 'number', ['string'], [path]);
        return module.HEAPU8.subarray(pointer, pointer + size);
    }

    async function run(message) {
        await kestrel();
        files = [];
        rows = [];
        counts = null;
        stopRequested = false;
        readMs = 0;
        finishedText = '';
        module._kestrel_clear();
        for (const folder of message.folders) {
            module.ccall('kestrel_add_folder', 'number', ['string'], [folder]);
        }
        const sourceByPath = new Map();
        for (const item of message.items) {
            files.push(item.file);
            sourceByPath.set(item.path, files.length - 1);
            module.ccall('kestrel_add_input', 'number', ['string', 'number', 'number'],
                [item.path, item.file.size, files.length - 1]);
        }
        for (const path of message.dropped) {
            module.ccall('kestrel_add_dropped', null, ['string'], [path]);
        }
        // Only names ending in .mmf are read by the batch.
        const entryCount = module._kestrel_collect();
        const order = [];
        for (let i = 0; i < entryCount; ++i) {
            const path = text(module._kestrel_entry_path(i));
            if (/\.mmf$/i.test(path) && sourceByPath.has(path)) {
                order.push(sourceByPath.get(path));
            }
        }
        readAhead = new ReadAhead(order);
        const runStart = performance.now();
        await module.ccall('kestrel_convert', null, [], [], { async: true });
        const runMs = performance.now() - runStart;
        post(true);

        const zipStart = performance.now();
        // Stored, not compressed: the outputs are small and the zip is made
        // at once; compressing would cost more time than it saves space.
        const zip = fflate.zipSync(outputEntries(), { level: 0 });
        const zipMs = performance.now() - zipStart;
        files = [];
        readAhead = new ReadAhead([]);
        self.postMessage({
            type: 'done',
            finishedText: finishedText,
            zip: zip,
            timings: { readMs: readMs, convertMs: runMs - readMs, runMs: runMs, zipMs: zipMs },
        }, [zip.buffer]);
    }

    function sendOutput(index) {
        if (!module) {
            return;
        }
        const path = text(module._kestrel_entry_output(index));
        const bytes = path ? fileBytes(path) : null;
        if (!bytes) {
            self.postMessage({ type: 'output', index: index, name: '', bytes: null });
            return;
        }
        const copy = bytes.slice();
        self.postMessage({ type: 'output', index: index, name: path.slice(path.lastIndexOf('/') + 1), bytes: copy },
            [copy.buffer]);
    }

    self.onmessage = (event) => {
        const message = event.data;
        if (message.type === 'run') {
            run(message).catch((e) => {
                // An abort (memory ran out) leaves the module unusable: the
                // next run starts a fresh one.
                modulePromise = null;
                module = null;
                files = [];
                self.postMessage({ type: 'failed', message: String(e && e.message ? e.message : e) });
            });
        } else if (message.type === 'stop') {
            stopRequested = true;
        } else if (message.type === 'output') {
            sendOutput(message.index);
        } else if (message.type === 'load') {
            kestrel().then(() => self.postMessage({ type: 'ready' }),
                (e) => self.postMessage({ type: 'failed', message: String(e) }));
        }
    };
})();
