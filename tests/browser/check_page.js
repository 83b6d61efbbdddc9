// Opens a page from file:// in headless Chromium and tells, as JSON on
// standard output, what a person would meet there: the errors of its script
// and console, any dialog, its players and their sources, where each gap's
// click (in the timeline and in the table) moved its player, the marks of the
// timeline, where the programs' names are drawn and the page's text. A screenshot goes to the second argument.
// Usage: node check_page.js PAGE.html SHOT.png [CHROMIUM]
"use strict";
const path = require("path");
const puppeteer = require("puppeteer-core");

async function main() {
  const [pagePath, shot, chromium] = process.argv.slice(2);
  const browser = await puppeteer.launch({
    executablePath: chromium || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--autoplay-policy=no-user-gesture-required", "--mute-audio"],
  });
  const result = { errors: [], dialogs: [], requests: [] };
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1200, height: 900 });
    page.on("pageerror", (e) => result.errors.push(String(e)));
    page.on("console", (m) => { if (m.type() === "error") result.errors.push(m.text()); });
    page.on("dialog", async (d) => { result.dialogs.push(d.message()); await d.dismiss(); });
    page.on("request", (r) => result.requests.push(r.url()));
    await page.goto("file://" + path.resolve(pagePath), { waitUntil: "load" });
    Object.assign(result, await page.evaluate(() => ({
      title: document.title,
      text: document.body.innerText,
      players: Array.from(document.querySelectorAll("audio")).map((a) => ({
        src: a.getAttribute("src"), url: a.src,
        file: Number(a.closest("tr").rowIndex) - 1,
      })),
      programMarks: document.querySelectorAll("svg .program").length,
      programNames: Array.from(document.querySelectorAll("svg .program text")).map((t) => {
        const b = t.getBBox();
        return { text: t.textContent, x: b.x, y: b.y, width: b.width, height: b.height };
      }),
      gapMarks: Array.from(document.querySelectorAll("svg .gap")).map((g) => ({
        file: g.getAttribute("data-file"), gap: g.getAttribute("data-gap"),
        input: g.getAttribute("data-input"), classes: g.getAttribute("class"),
        title: g.querySelector("title") ? g.querySelector("title").textContent : "",
      })),
      inputBands: document.querySelectorAll("svg .band.input").length,
      disagreements: document.querySelectorAll("svg .disagree").length,
      scripts: document.scripts.length,
    })));
    // Each gap clicked where it is drawn and where it is listed: the time its
    // player went to.
    result.seeks = [];
    for (const where of ["svg .gap[data-file]", "button.gap"]) {
      const count = await page.$$eval(where, (l) => l.length);
      for (let k = 0; k < count; ++k) {
        const seek = await page.evaluate(async (where, k) => {
          const mark = document.querySelectorAll(where)[k];
          const file = Number(mark.getAttribute("data-file"));
          const audio = document.querySelectorAll("tr")[file + 1].querySelector("audio");
          if (!audio) return { file, gap: Number(mark.getAttribute("data-gap")), where, currentTime: null };
          // Where the click put the player is read when it seeks there: once
          // it plays, the time runs on.
          audio.pause();
          let seekedTo = null;
          const onSeeking = () => { if (seekedTo === null) seekedTo = audio.currentTime; };
          audio.addEventListener("seeking", onSeeking);
          mark.dispatchEvent(new MouseEvent("click", { bubbles: true }));
          const until = Date.now() + 5000;
          while ((audio.readyState < 1 || seekedTo === null) && Date.now() < until) {
            await new Promise((r) => setTimeout(r, 20));
          }
          await new Promise((r) => setTimeout(r, 50));
          const playing = !audio.paused;
          audio.pause();
          audio.removeEventListener("seeking", onSeeking);
          return { file, gap: Number(mark.getAttribute("data-gap")), where, playing,
                   currentTime: seekedTo, readyState: audio.readyState };
        }, where, k);
        result.seeks.push(seek);
      }
    }
    if (shot) await page.screenshot({ path: shot, fullPage: true });
  } finally {
    await browser.close();
  }
  process.stdout.write(JSON.stringify(result));
}

main().catch((e) => { process.stderr.write(String(e && e.stack || e) + "\n"); process.exit(2); });
