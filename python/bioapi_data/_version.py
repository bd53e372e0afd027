"""The version of the package: the library version it is built for."""

__version__ = "1.0.0"
