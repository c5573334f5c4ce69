"""Parses an exposition file with the Prometheus client library's own text
parser and prints what it understood, one item per line, label values and
help texts as hexadecimal UTF-8 (prefixed by 'x', so that empty ones still
make a field):

    family <name> <type> x<help>
    sample <name> x<service> x<counter> <value as Python's repr> <label count>
"""

import sys

from prometheus_client.parser import text_string_to_metric_families

with open(sys.argv[1], encoding="utf-8", newline="") as source:
    text = source.read()
for family in text_string_to_metric_families(text):
    print("family", family.name, family.type, "x" + family.documentation.encode().hex())
    for sample in family.samples:
        labels = sample.labels
        print("sample", sample.name, "x" + labels.get("service", "").encode().hex(),
              "x" + labels.get("counter", "").encode().hex(), repr(sample.value), len(labels))
