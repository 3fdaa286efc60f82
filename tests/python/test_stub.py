"""The type stub against the module: every public name, every parameter with its default, every
attribute, and whether an attribute can be written."""

import ast
import inspect
import pathlib

import pelmora

STUB = ast.parse(pathlib.Path(pelmora.__file__).with_name("pelmora.pyi").read_text())


def public(names):
    return {name for name in names if not name.startswith("_") or name == "__version__"}


def stub_parameters(function):
    """(name, repr of the default) of each parameter but self."""
    names = [a.arg for a in function.args.posonlyargs + function.args.args]
    defaults = [repr(ast.literal_eval(d)) for d in function.args.defaults]
    return [p for p in zip(names, [None] * (len(names) - len(defaults)) + defaults)
            if p[0] != "self"]


def runtime_parameters(function, method):
    """The same from inspect, or from the signature line that pybind11 writes into a docstring."""
    doc = function.__doc__ or ""
    if not doc.startswith(function.__name__ + "("):
        pairs = [(p.name, None if p.default is p.empty else repr(p.default))
                 for p in inspect.signature(function).parameters.values()]
        return pairs[1:] if method else pairs
    parts, depth = [""], 0
    for char in doc.splitlines()[0].split("(", 1)[1].rsplit(") ->", 1)[0]:
        depth += {"[": 1, "]": -1}.get(char, 0)
        if char == "," and depth == 0:  # a comma outside brackets ends a parameter
            parts.append("")
        else:
            parts[-1] += char
    pairs = [(p.split(" = ")[0].split(":")[0].strip(), p.split(" = ")[1] if " = " in p else None)
             for p in parts if p.strip()]
    return pairs[1:] if method else pairs


def members(node):
    """{name: (kind, node)} of a stub class or module: class, function, property or value."""
    found = {}
    for item in node.body:
        if isinstance(item, ast.FunctionDef):
            is_property = any(getattr(d, "id", "") == "property" for d in item.decorator_list)
            found[item.name] = ("property" if is_property else "function", item)
        elif isinstance(item, (ast.AnnAssign, ast.Assign)):
            for target in getattr(item, "targets", [getattr(item, "target", None)]):
                found[target.id] = ("value", item)
        elif isinstance(item, ast.ClassDef):
            found[item.name] = ("class", item)
    return found


def check(stub, runtime, method, where):
    if method:  # a class's own names, and what __init__ gives an exception
        present = dict(vars(runtime))
        present.update(vars(runtime(0, "", "")) if issubclass(runtime, Exception) else {})
    else:
        present = {name: inspect.getattr_static(runtime, name) for name in dir(runtime)}
    assert public(stub) == public(present), where
    for name in public(stub) | {"__init__", "__enter__", "__exit__"} & set(stub):
        (kind, node), value, at = stub[name], present[name], f"{where}.{name}"
        if kind == "class":
            check(members(node), getattr(runtime, name), True, name)
        elif kind == "function":
            assert stub_parameters(node) == runtime_parameters(getattr(runtime, name), method), at
        else:  # read-only properties in the stub, and only they, are read-only at runtime
            read_only = isinstance(value, property) and value.fset is None
            assert read_only == (kind == "property"), at


def test_the_stub_names_what_the_module_has_as_it_has_it():
    check(members(STUB), pelmora, False, "pelmora")
