// The page's worker: holds the WebAssembly batch (kestrel.js), gives it the
// picked files as it reads them, passes its rows and counts to the page in
// batches, and zips the OUTPUT tree at the end.
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
    let rows = [];
    let counts = null;
    let step = 0;
    let lastPost = 0;
    let stopRequested = false;
    let readMs = 0;
    let finishedText = '';

    function kestrel() {
        if (!modulePromise) {
            // An abort ends the module (the batch catches what runs out of
            // memory, so this is what it could not catch): the page is told,
            // and the next run starts a fresh module.
            const onAbort = (what) =>
                fail(new Error('the converter stopped, most likely out of memory' + (what ? ' (' + what + ')' : '')));
            modulePromise = createKestrel({ onAbort: onAbort }).then((m) => (module = m));
        }
        return modulePromise;
    }

    // The structural check of the outputs runs in a second worker (the
    // checker), fed with each output as the run writes it; without one, this
    // worker checks them all after the run.
    let checkPort = null;
    let checkSent = new Set();
    let checkPaths = [];
    let checkBuffers = [];
    let lineWanted = null;  // resolves with the checker's status line, or null

    function sendOutputsToCheck() {
        if (checkPort && checkPaths.length > 0) {
            checkPort.postMessage({ type: 'outputs', paths: checkPaths, buffers: checkBuffers },
                checkBuffers.map((bytes) => bytes.buffer));
        }
        checkPaths = [];
        checkBuffers = [];
    }

    function checkAlone() {
        checkPort = null;
        if (lineWanted) {
            lineWanted(null);
            lineWanted = null;
        }
    }

    function useChecker(port) {
        checkPort = port;
        port.onmessage = (event) => {
            const message = event.data;
            if (message.type === 'line' && lineWanted) {
                lineWanted(message.text);
                lineWanted = null;
            } else if (message.type === 'broken') {
                checkAlone();
            }
        };
    }

    async function checkLine() {
        sendOutputsToCheck();
        if (checkPort) {
            const line = await new Promise((resolve) => {
                lineWanted = resolve;
                checkPort.postMessage({ type: 'line' });
            });
            if (line !== null) {
                return line;
            }
        }
        return text(module._kestrel_check_outputs());
    }

    // The checker's side: one tally per run, an output at a time.
    function serveChecks(port) {
        kestrel();
        port.onmessage = (event) => {
            const message = event.data;
            inTurn(async () => {
                await kestrel();
                if (message.type === 'reset') {
                    module._kestrel_check_reset();
                } else if (message.type === 'outputs') {
                    message.paths.forEach((path, i) => checkOne(path, message.buffers[i]));
                } else if (message.type === 'line') {
                    port.postMessage({ type: 'line', text: text(module._kestrel_check_line()) });
                }
            });
        };
        checkerPort = port;
    }
    let checkerPort = null;

    function checkOne(path, bytes) {
        const pointer = module._malloc(Math.max(bytes.length, 1));
        if (!pointer) {
            throw new Error('memory ran out');
        }
        module.HEAPU8.set(bytes, pointer);
        try {
            module.ccall('kestrel_check_output', null, ['string', 'number', 'number'], [path, pointer, bytes.length]);
        } finally {
            module._free(pointer);
        }
    }

    function post(force) {
        const now = performance.now();
        if (!force && now - lastPost < kPostEveryMs) {
            return;
        }
        lastPost = now;
        sendOutputsToCheck();
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
        row(name, result, path, detail, ok) {
            rows.push([name, result, path, detail, ok]);
        },
        counts(converted, errors, total, totalText, convertText, errorText) {
            counts = { converted, errors, total, totalText, convertText, errorText };
            post(false);
        },
        finished(text) {
            finishedText = text;
            post(true);
        },
        output(path, pointer, size) {
            if (checkPort && !checkSent.has(path)) {
                checkSent.add(path);
                checkPaths.push(path);
                checkBuffers.push(module.HEAPU8.slice(pointer, pointer + size));
            }
        },
        sizeNow(source) {
            return picked.sizeNow(source);
        },
        async sizeLater(source) {
            const start = performance.now();
            await picked.arrival(source);
            readMs += performance.now() - start;
            return picked.sizeNow(source);
        },
        readNow(source, pointer, size) {
            return picked.readNow(source, pointer, size);
        },
        async readLater(source, pointer, size) {
            const start = performance.now();
            try {
                return await picked.readLater(source, pointer, size);
            } finally {
                readMs += performance.now() - start;
            }
        },
        lastFailure: '',
        stopRequested() {
            return stopRequested;
        },
        yieldToEvents() {
            post(true);
            return new Promise((resolve) => {
                wakeUp = resolve;
                channel.port2.postMessage(0);
            }).then(() => (stopRequested ? 1 : 0));
        },
    };

    // The picked files, as the page sends them: in batches, in the order in
    // which the batch reads them (so the page is never held up by thousands
    // of files at once, and the batch starts on the first ones while the
    // page still sends the rest). A batch of files is read as one blob, a
    // few batches ahead of the batch's reading, so that the browser fetches
    // the next files while the batch converts; passed batches are let go, so
    // a large drop is never held in memory at once.
    const kAheadBatches = 8;
    const settle = (promise) => promise.then((bytes) => ({ bytes: bytes }), (error) => ({ error: error }));
    const describe = (e) => (e && e.name ? e.name + ': ' : '') + (e && e.message ? e.message : String(e));
    class PickedFiles {
        constructor(expected) {
            this.expected = new Set(expected);  // the sources the batch may read
            this.places = new Map();             // source -> { file, size, batch, offset }
            this.batches = [];                   // { blob, promise, got }
            this.current = 0;
            this.waiting = new Map();            // source -> resolve callbacks
        }
        add(sources, files, sizes) {
            const batch = { blob: new Blob(files), promise: null, got: null };
            this.batches.push(batch);
            let offset = 0;
            sources.forEach((source, i) => {
                this.places.set(source, { file: files[i], size: sizes[i], batch: this.batches.length - 1, offset });
                offset += sizes[i];
                const callbacks = this.waiting.get(source);
                if (callbacks) {
                    this.waiting.delete(source);
                    callbacks.forEach((resolve) => resolve());
                }
            });
            this.fill();
        }
        fill() {
            const last = Math.min(this.batches.length, this.current + kAheadBatches);
            for (let k = this.current; k < last; ++k) {
                const batch = this.batches[k];
                if (!batch.promise) {
                    batch.promise = settle(batch.blob.arrayBuffer()).then((got) => (batch.got = got));
                }
            }
        }
        arrival(source) {
            if (this.places.has(source) || !this.expected.has(source)) {
                return Promise.resolve();
            }
            return new Promise((resolve) => {
                const callbacks = this.waiting.get(source) || [];
                callbacks.push(resolve);
                this.waiting.set(source, callbacks);
            });
        }
        sizeNow(source) {
            const place = this.places.get(source);
            if (place) {
                return place.size;
            }
            if (this.expected.has(source)) {
                return -2;
            }
            self.kestrelSink.lastFailure = 'the file was not handed to the converter';
            return -1;
        }
        // The batch holding the source becomes the current one; those
        // before it are let go.
        reach(place) {
            if (place.batch > this.current) {
                for (let k = this.current; k < place.batch; ++k) {
                    this.batches[k].promise = null;
                    this.batches[k].got = null;
                }
                this.current = place.batch;
            }
            this.fill();
            return place.batch >= this.current ? this.batches[place.batch] : null;
        }
        copy(got, offset, pointer, size) {
            if (got.error) {
                self.kestrelSink.lastFailure = describe(got.error);
                return 2;
            }
            if (got.bytes.byteLength - offset < size) {
                self.kestrelSink.lastFailure = 'the file changed after it was picked';
                return 2;
            }
            module.HEAPU8.set(new Uint8Array(got.bytes, offset, size), pointer);
            return 0;
        }
        readNow(source, pointer, size) {
            const place = this.places.get(source);
            if (!place) {
                self.kestrelSink.lastFailure = 'the file was not handed to the converter';
                return 2;
            }
            const batch = this.reach(place);
            // Not read yet, or its batch failed (read the file alone then).
            if (!batch || !batch.got || batch.got.error) {
                return 1;
            }
            return this.copy(batch.got, place.offset, pointer, size);
        }
        async readLater(source, pointer, size) {
            const place = this.places.get(source);
            const batch = this.reach(place);
            if (batch && batch.promise) {
                const got = await batch.promise;
                if (!got.error) {
                    return this.copy(got, place.offset, pointer, size);
                }
            }
            // One unreadable file spoils its batch: the others are read alone.
            return this.copy(await settle(place.file.arrayBuffer()), 0, pointer, size);
        }
    }
    let picked = new PickedFiles([]);

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
        const countPointer = module._malloc(4);
        const table = module._kestrel_output_table(countPointer) >> 2;
        const count = module.HEAP32[countPointer >> 2];
        module._free(countPointer);
        const words = module.HEAPU32;
        for (let i = 0; i < count; ++i) {
            const [path, data, size] = [words[table + 3 * i], words[table + 3 * i + 1], words[table + 3 * i + 2]];
            entries[text(path).slice(1)] = module.HEAPU8.subarray(data, data + size);
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

    let setupStart = 0;
    let setupMs = 0;

    // A run: the tree of the picked items (names only), the file list, the
    // order in which the page is to send the files that the batch reads,
    // the conversion, and the zip.
    async function run(message) {
        failed = false;
        setupStart = performance.now();
        await kestrel();
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
        message.paths.forEach((path, source) => {
            sourceByPath.set(path, source);
            module.ccall('kestrel_add_input', 'number', ['string', 'number'], [path, source]);
        });
        for (const path of message.dropped) {
            module.ccall('kestrel_add_dropped', null, ['string'], [path]);
        }
        // Only names ending in .mmf are read by the batch; each file once.
        const entryCount = module._kestrel_collect();
        const order = [];
        const taken = new Set();
        entrySources = [];
        runFiles = new Map();
        for (let i = 0; i < entryCount; ++i) {
            const source = sourceByPath.get(text(module._kestrel_entry_path(i)));
            entrySources.push(source);
            if (source !== undefined && !taken.has(source) && /\.mmf$/i.test(message.paths[source])) {
                taken.add(source);
                order.push(source);
            }
        }
        picked = new PickedFiles(order);
        checkSent = new Set();
        checkPaths = [];
        checkBuffers = [];
        if (checkPort) {
            checkPort.postMessage({ type: 'reset' });
        }
        self.postMessage({ type: 'order', order: order });
        setupMs = performance.now() - setupStart;

        // The conversion starts at once; reads wait for files not yet sent.
        const runStart = performance.now();
        await module.ccall('kestrel_convert', null, [], [], { async: true });
        const runMs = performance.now() - runStart;
        picked = new PickedFiles([]);
        post(true);

        // Every output the run wrote goes through the structural checker;
        // here is only the wait for its last outputs.
        const checkStart = performance.now();
        const checkText = await checkLine();
        const checkMs = performance.now() - checkStart;

        const zipStart = performance.now();
        // Stored, not compressed: deflating the small outputs takes about
        // nine times as long and saves only a sixth of the size.
        const zip = fflate.zipSync(outputEntries(), { level: 0 });
        const zipMs = performance.now() - zipStart;
        self.postMessage({
            type: 'done',
            finishedText: finishedText,
            checkText: checkText,
            zip: zip,
            timings: { setupMs: setupMs, readMs: readMs, convertMs: runMs - readMs, checkMs: checkMs, zipMs: zipMs },
        }, [zip.buffer]);
    }

    let failed = false;
    function fail(e) {
        // An abort (memory ran out) leaves the module unusable: the next
        // run starts a fresh one. Told once, however it surfaces.
        if (failed) {
            return;
        }
        failed = true;
        if (checkerPort) {
            // The converter checks alone from now on.
            checkerPort.postMessage({ type: 'broken' });
            checkerPort = null;
        }
        modulePromise = null;
        module = null;
        picked = new PickedFiles([]);
        self.postMessage({ type: 'failed', message: String(e && e.message ? e.message : e) });
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

    // The picked files of the last run (the browser's handles, not their
    // bytes): its entries' sources, and each source's file once sent.
    let entrySources = [];
    let runFiles = new Map();

    // The details panel of entry index: the input is read again (its bytes
    // were let go after the run) and described next to the run's output.
    async function details(index, request) {
        await kestrel();
        const file = runFiles.get(entrySources[index]);
        const reply = { type: 'details', index: index, request: request, summary: '', roll: '', check: '', failure: '' };
        if (!file) {
            reply.failure = 'the file of this row is no longer at hand';
            self.postMessage(reply);
            return;
        }
        let bytes;
        try {
            bytes = new Uint8Array(await file.arrayBuffer());
        } catch (e) {
            reply.failure = 'the file could not be read again: ' + describe(e);
            self.postMessage(reply);
            return;
        }
        const size = bytes.length;
        const pointer = module._malloc(Math.max(size, 1));
        if (!pointer) {
            reply.failure = 'memory ran out';
            self.postMessage(reply);
            return;
        }
        module.HEAPU8.set(bytes, pointer);
        bytes = null;
        try {
            if (module._kestrel_describe_entry(index, pointer, size) !== 0) {
                reply.summary = text(module._kestrel_details_summary());
                reply.roll = text(module._kestrel_details_roll());
                reply.check = text(module._kestrel_details_check());
            } else {
                reply.failure = 'no such row in the last run';
            }
        } finally {
            module._free(pointer);
        }
        self.postMessage(reply);
    }

    // Runs and details take turns: a panel asked for during a run is made
    // once the run has ended (the module is inside the run until then).
    let turns = Promise.resolve();
    function inTurn(job) {
        turns = turns.then(job).catch(fail);
    }

    self.addEventListener('unhandledrejection', (event) => fail(event.reason));

    self.onmessage = (event) => {
        const message = event.data;
        if (message.type === 'run') {
            inTurn(() => run(message));
        } else if (message.type === 'files') {
            message.sources.forEach((source, i) => runFiles.set(source, message.files[i]));
            picked.add(message.sources, message.files, message.sizes);
        } else if (message.type === 'check-with') {
            useChecker(message.port);
        } else if (message.type === 'check-alone') {
            checkAlone();
        } else if (message.type === 'checker') {
            serveChecks(message.port);
        } else if (message.type === 'details') {
            inTurn(() => details(message.index, message.request));
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
