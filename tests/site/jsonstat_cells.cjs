// Reads a JSON-stat answer on standard input with jsonstat-toolkit, as a script of a user
// would, and writes what the toolkit makes of it as JSON: the dataset's ids, sizes and
// labels, the level extension of each dimension, and every cell with its categories' labels.
"use strict";
const fs = require("fs");
const JSONstat = require("jsonstat-toolkit");

const dataset = JSONstat(JSON.parse(fs.readFileSync(0, "utf8")));
if (dataset.class !== "dataset") {
  console.error("not a dataset: " + dataset.class);
  process.exit(1);
}
const dimensions = dataset.id.map((id) => {
  const dimension = dataset.Dimension(id);
  return {
    id: id,
    label: dimension.label,
    role: dimension.role,
    categories: dimension.id.map((c) => dimension.Category(c).label),
    levels: (dimension.extension || {}).level || null,
  };
});
const cells = dataset.toTable({ type: "arrobj", content: "label", status: true });
process.stdout.write(JSON.stringify({
  label: dataset.label,
  size: dataset.size,
  n: dataset.n,
  dimensions: dimensions,
  cells: cells,
}));
