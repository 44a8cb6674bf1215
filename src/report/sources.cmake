# Files of src/report/
