#pragma once
// What the views need of their document to mark a comparison with a saved machine image:
// the comparison, or null while none is made.
class CMachineComparison;

class CComparisonSource {
public:
    virtual const CMachineComparison* GetComparison() const = 0;

protected:
    ~CComparisonSource() = default;
};
