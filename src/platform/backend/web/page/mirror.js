// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows as a screen reader reads them (run before the program starts, beside
// display.js). A canvas is only a picture to a reader, so the platform hands the page its
// accessibility model (backend/web/page_mirror.cpp: the same answers the AT-SPI bridge gives on a
// desktop) and the page keeps a mirror of ARIA elements laid exactly over the canvases:
// transparent, and letting the pointer through to the canvas, so that a reader's own cursor finds
// each part where it is drawn while the mouse and fingers still reach the program.
//
//   model                    mirror element
//   frame, panel, filler     group named by its title
//   error box (alert)        alertdialog, modal, described by its text
//   label                    plain text
//   table                    grid of rows (aria-rowcount/colcount); header row of columnheaders,
//                            cells as gridcells; the current cell is its active descendant
//   combo box + its field    one combobox input (its value the field's text), expanded or not,
//                            controlling the listbox of its options
//   push button              button, disabled when the program disables it
//
// The page's focus follows the program's: the element of the part that has the program's focus is
// the page's focused element. Acting on an element does what the user's action does: a button's
// click is the model's action, an option's click chooses it, a focus asked for goes to the part.
"use strict";

(function () {
  const Role = {alert: 2, columnHeader: 10, comboBox: 11, dialog: 16, filler: 20, frame: 23, label: 29,
    list: 31, listItem: 32, panel: 39, pushButton: 43, table: 55, tableCell: 56, text: 61, entry: 79};
  const kAria = {
    [Role.alert]: "alertdialog", [Role.columnHeader]: "columnheader", [Role.comboBox]: "combobox",
    [Role.dialog]: "dialog", [Role.filler]: "group", [Role.frame]: "group", [Role.list]: "listbox",
    [Role.listItem]: "option", [Role.panel]: "group", [Role.pushButton]: "button", [Role.table]: "grid",
    [Role.tableCell]: "gridcell", [Role.text]: "textbox", [Role.entry]: "textbox",
  };
  const State = {collapsed: 5, enabled: 8, expanded: 10, focused: 12, modal: 16, selected: 23, showing: 25,
    managesDescendants: 31};
  // What the page asks of the model (page_mirror.cpp's PageRequest).
  const Request = {action: 0, selectChild: 1, focus: 2};

  const has = (states, bit) => Math.floor(states / 2 ** bit) % 2 === 1;

  class Mirror {
    constructor() {
      this.layer = null;
      this.elements = new Map();  // id -> element
      this.rows = new Map();  // a table's id and row number -> the row's element
      this.objects = new Map();  // id -> the model's object
      this.focusId = "";
    }

    get display() { return Module.tessivoDisplay; }

    // The element that should hold the page's focus now: the program's focused part's, or none.
    focusTarget() {
      const object = this.objects.get(this.focusId);
      if (!object) return null;
      const parent = this.objects.get(object.parent);
      // The combo box's field is the combobox element; a table's cell is the grid's descendant.
      if (parent && parent.role === Role.comboBox) return this.elements.get(parent.id) || null;
      if (parent && parent.role === Role.table) return this.elements.get(parent.id) || null;
      return this.elements.get(this.focusId) || null;
    }

    update(json) {
      if (!this.layer) {
        this.layer = document.createElement("div");
        this.layer.className = "tessivo-mirror";
        this.display.desktop.appendChild(this.layer);
      }
      const model = json ? JSON.parse(json) : {focus: "", objects: []};
      const seen = new Set();
      this.objects = new Map(model.objects.map((o) => [o.id, o]));
      for (const object of model.objects) {
        seen.add(object.id);
        this.render(object);
      }
      // (No destructuring in a for-of: emscripten 3.1.6's minifier drops it.)
      for (const id of [...this.elements.keys()]) {
        if (!seen.has(id)) {
          this.elements.get(id).remove();
          this.elements.delete(id);
        }
      }
      for (const id of [...this.rows.keys()]) {
        if (!seen.has(id.split("/")[0])) this.rows.delete(id);
      }
      this.focusId = model.focus;
      this.follow();
    }

    // The table's rows: the cells are grouped under a row element of their table.
    rowOf(table, row) {
      const id = table.id + "/" + row;
      let element = this.rows.get(id);
      if (!element) {
        element = document.createElement("div");
        element.setAttribute("role", "row");
        element.className = "tessivo-mirror-row";
        this.rows.set(id, element);
      }
      element.setAttribute("aria-rowindex", String(row + 1));
      const tableElement = this.elements.get(table.id);
      if (element.parentNode !== tableElement) tableElement.appendChild(element);
      return element;
    }

    render(object) {
      const parent = this.objects.get(object.parent);
      // The field lives in its combo box's element.
      if (parent && parent.role === Role.comboBox && object.role === Role.text) {
        const combo = this.elements.get(parent.id);
        if (combo) combo.dataset.text = combo.value = object.text || "";
        return;
      }
      let element = this.elements.get(object.id);
      const tag = object.role === Role.comboBox ? "input" : object.role === Role.pushButton ? "button" : "div";
      if (!element || element.tagName.toLowerCase() !== tag) {
        if (element) element.remove();
        element = this.make(object, tag);
        this.elements.set(object.id, element);
      }
      // Where the element goes, and the point its place is measured from: its parent's element (a
      // table's cell in its row), or the layer for a window. The combobox is an input, which holds
      // no children: its list goes beside it, in the combo box's own parent.
      let holder = parent;
      if (holder && holder.role === Role.comboBox) holder = this.objects.get(holder.parent);
      let container = this.layer;
      if (holder) {
        container = holder.role === Role.table && object.row !== undefined ? this.rowOf(holder, object.row)
          : this.elements.get(holder.id) || this.layer;
      }
      const origin = holder && container !== this.layer ? {x: holder.bounds[0], y: holder.bounds[1]} : {x: 0, y: 0};
      if (element.parentNode !== container) container.appendChild(element);
      this.describe(element, object, origin);
    }

    make(object, tag) {
      const element = document.createElement(tag);
      element.className = "tessivo-mirror-part";
      element.id = "tessivo-" + object.id;
      element.tabIndex = -1;
      if (tag === "input") {
        element.type = "text";
        element.autocomplete = "off";
        element.spellcheck = false;
      }
      const [hwnd, child] = object.id.split("_").map(Number);
      // A reader's activation: the model's request, as the user's action would be.
      element.addEventListener("click", (e) => {
        e.stopPropagation();
        const now = this.objects.get(object.id);
        if (!now) return;
        if (now.role === Role.listItem) {
          const list = this.objects.get(now.parent);
          const [listWindow, listPart] = list.id.split("_").map(Number);
          const index = [...this.objects.values()].filter((o) => o.parent === list.id).indexOf(now);
          Module._tessivo_mirror_request(listWindow, listPart, Request.selectChild, index);
        } else if (now.acts) {
          Module._tessivo_mirror_request(hwnd, child, Request.action, 0);
        }
      });
      // A reader that moves the page's focus moves the program's.
      element.addEventListener("focus", () => {
        if (this.focusTarget() !== element) Module._tessivo_mirror_request(hwnd, child, Request.focus, 0);
      });
      return element;
    }

    describe(element, object, origin) {
      const ratio = this.display.ratio;
      const [x, y, width, height] = object.bounds;
      Object.assign(element.style, {left: (x - origin.x) / ratio + "px", top: (y - origin.y) / ratio + "px",
        width: width / ratio + "px", height: height / ratio + "px"});
      const role = kAria[object.role];
      if (role) element.setAttribute("role", role);
      else element.removeAttribute("role");
      const states = object.states;
      // Labels, headers and cells read as their text; the other parts are named.
      if (object.role === Role.label || object.role === Role.columnHeader || object.role === Role.tableCell ||
          object.role === Role.listItem) {
        if (element.textContent !== object.name) element.textContent = object.name;
        element.removeAttribute("aria-label");
      } else if (object.role === Role.pushButton) {
        if (element.textContent !== object.name) element.textContent = object.name;
      } else if (object.name) {
        element.setAttribute("aria-label", object.name);
      } else {
        element.removeAttribute("aria-label");
      }
      const toggle = (name, on, value = "true") => on ? element.setAttribute(name, value) : element.removeAttribute(name);
      toggle("aria-disabled", !has(states, State.enabled) && object.role !== Role.label);
      if (object.role === Role.pushButton) element.disabled = false;  // a disabled button takes no focus
      toggle("aria-selected", object.role === Role.listItem || object.role === Role.tableCell ? true : false,
        String(has(states, State.selected)));
      toggle("aria-expanded", has(states, State.expanded) || has(states, State.collapsed),
        String(has(states, State.expanded)));
      toggle("aria-modal", has(states, State.modal) || object.role === Role.alert);
      if (object.rows !== undefined) {
        element.setAttribute("aria-rowcount", String(object.rows));
        element.setAttribute("aria-colcount", String(object.columns));
      }
      if (object.column !== undefined) element.setAttribute("aria-colindex", String(object.column + 1));
      if (object.role === Role.comboBox) {
        const list = [...this.objects.values()].find((o) => o.parent === object.id && o.role === Role.list);
        toggle("aria-controls", list, list ? "tessivo-" + list.id : "");
        const current = list && [...this.objects.values()].find((o) =>
          o.parent === list.id && has(o.states, State.focused));
        toggle("aria-activedescendant", current, current ? "tessivo-" + current.id : "");
      }
      if (object.role === Role.alert) {
        const text = [...this.objects.values()].find((o) => o.parent === object.id && o.role === Role.label);
        toggle("aria-describedby", text, text ? "tessivo-" + text.id : "");
      }
      // A closed list is no list a reader can walk.
      element.hidden = (object.role === Role.list || object.role === Role.listItem) && !has(states, State.showing);
    }

    // The page's focus where the program's is: the part's element (a grid's current cell as its
    // active descendant).
    follow() {
      const target = this.focusTarget();
      const object = this.objects.get(this.focusId);
      if (target && object) {
        const parent = this.objects.get(object.parent);
        if (parent && parent.role === Role.table) target.setAttribute("aria-activedescendant", "tessivo-" + object.id);
      }
      if (target && document.activeElement !== target && document.hasFocus()) target.focus({preventScroll: true});
    }
  }

  Module.tessivoMirror = new Mirror();
})();
